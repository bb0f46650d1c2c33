#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace pelmo {

namespace {

// Qt's own options that QApplication takes out of the arguments; those in the
// first list take the next argument as their value.
constexpr std::array QtOptionsWithValue = {
    std::string_view("-platform"),        std::string_view("-platformpluginpath"),
    std::string_view("-platformtheme"),   std::string_view("-plugin"),
    std::string_view("-qwindowgeometry"), std::string_view("-qwindowicon"),
    std::string_view("-qwindowtitle"),    std::string_view("-session"),
    std::string_view("-style"),           std::string_view("-stylesheet"),
    std::string_view("-display"),         std::string_view("-geometry"),
};
constexpr std::array QtFlags = {
    std::string_view("-reverse"), std::string_view("-widgetcount"), std::string_view("-nograb"),
    std::string_view("-dograb"),  std::string_view("-sync"),
};

template <typename List>
bool Contains(const List& list, std::string_view s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

bool Set(const char* value) { return value && *value; }

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine line;
    auto fail = [&line](std::string message) {
        line.Action = TCommandLine::TAction::UsageError;
        line.Error = std::move(message);
        return line;
    };
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help" || a == "-h") {
            line.Action = TCommandLine::TAction::Help;
            return line;
        } else if (a == "--version" || a == "-v") {
            line.Action = TCommandLine::TAction::Version;
            return line;
        } else {
            // Qt reads its options with one dash or two, and "-style=fusion".
            std::string name = a.compare(0, 2, "--") == 0 ? a.substr(1) : a;
            const std::size_t eq = name.find('=');
            const bool inlineValue = eq != std::string::npos;
            if (inlineValue) name.resize(eq);
            if (Contains(QtOptionsWithValue, name)) {
                if (!inlineValue && ++i >= args.size()) return fail("option " + a + " needs a value");
                if (name == "-platform" || name == "-display") line.PlatformGiven = true;
            } else if (!Contains(QtFlags, name) || inlineValue) {
                return fail("unknown option " + a);
            }
        }
    }
    if (files.size() > 1) return fail("one design at a time, not " + std::to_string(files.size()));
    if (!files.empty()) line.DesignPath = files.front();
    return line;
}

std::string UsageText() {
    return "usage: pelmo [OPTION...] [DESIGN.bkt]\n"
           "\n"
           "Designs passive loudspeaker crossovers. Opens DESIGN.bkt when given; when\n"
           "Pelmo already runs, the design opens in its window.\n"
           "\n"
           "options:\n"
           "  -h, --help      print this text\n"
           "  -v, --version   print the version\n"
           "  Qt's own options (-platform NAME, -style NAME, ...) are passed on.\n"
           "\n"
           "pelmo-cli runs the same simulation without a window.\n";
}

bool DisplayAvailable(const TCommandLine& line, const std::function<const char*(const char*)>& getEnv) {
    return line.PlatformGiven || Set(getEnv("QT_QPA_PLATFORM")) || Set(getEnv("DISPLAY")) ||
           Set(getEnv("WAYLAND_DISPLAY"));
}

}  // namespace pelmo
