#include "gui/app/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "graphs/GraphKinds.h"

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

constexpr std::array SheetSizes = {std::string_view("large"), std::string_view("shown"), std::string_view("forum")};
constexpr std::array GraphSizes = {std::string_view("large"), std::string_view("small"), std::string_view("shown")};

template <typename List>
std::string Joined(const List& list) {
    std::string s;
    for (std::string_view v : list) s += (s.empty() ? "" : ", ") + std::string(v);
    return s;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine line;
    auto fail = [&line](std::string message) {
        line.Action = TCommandLine::TAction::UsageError;
        line.Error = std::move(message);
        return line;
    };
    bool optionsEnded = false, sizeGiven = false;
    std::vector<std::string> files;
    auto value = [&args](std::size_t& i) -> const std::string* { return ++i < args.size() ? &args[i] : nullptr; };
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
        } else if (a == "--export-sheet" || a == "--export-graph") {
            if (!line.ExportPath.empty()) return fail("one export at a time");
            const bool graph = a == "--export-graph";
            if (graph) {
                const std::string* kind = value(i);
                if (!kind) return fail(a + " needs a graph kind and a file");
                if (!FindGraphKindName(*kind)) {
                    std::string kinds;
                    for (const TGraphKindName& k : GraphKindNames())
                        kinds += std::string(kinds.empty() ? "" : " ") + k.Name;
                    return fail("unknown graph kind \"" + *kind + "\" (" + kinds + ")");
                }
                line.GraphKind = *kind;
            }
            const std::string* out = value(i);
            if (!out || out->empty()) return fail(a + " needs a file to write");
            line.ExportPath = *out;
            line.Action = graph ? TCommandLine::TAction::ExportGraph : TCommandLine::TAction::ExportSheet;
        } else if (a == "--size") {
            const std::string* size = value(i);
            if (!size) return fail("--size needs a value");
            line.ExportSize = *size;
            sizeGiven = true;
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
    if (IsExport(line)) {
        const bool graph = line.Action == TCommandLine::TAction::ExportGraph;
        const bool known = graph ? Contains(GraphSizes, line.ExportSize) : Contains(SheetSizes, line.ExportSize);
        if (!known)
            return fail("--size of a " + std::string(graph ? "graph" : "sheet") + " is one of " +
                        (graph ? Joined(GraphSizes) : Joined(SheetSizes)) + ", not \"" + line.ExportSize + "\"");
        if (line.DesignPath.empty()) return fail("an export needs a design");
    } else if (sizeGiven) {
        return fail("--size goes with --export-sheet or --export-graph");
    }
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
           "  --export-sheet OUT.EXT [--size large|shown|forum]\n"
           "                  write the sheet's picture of DESIGN.bkt and end\n"
           "  --export-graph KIND OUT.EXT [--size large|small|shown]\n"
           "                  write a graph of DESIGN.bkt and end; KIND is one of\n"
           "                  spl impedance filter voltage current power groupdelay\n"
           "                  impulse step squarewave\n"
           "                  Pictures are .png .jpg .jpeg .bmp .pdf .svg or .emf files;\n"
           "                  exports need no display.\n"
           "  Qt's own options (-platform NAME, -style NAME, ...) are passed on.\n"
           "\n"
           "pelmo-cli runs the same simulation without a window.\n";
}

bool DisplayAvailable(const TCommandLine& line, const std::function<const char*(const char*)>& getEnv) {
    return line.PlatformGiven || Set(getEnv("QT_QPA_PLATFORM")) || Set(getEnv("DISPLAY")) ||
           Set(getEnv("WAYLAND_DISPLAY"));
}

}  // namespace pelmo
