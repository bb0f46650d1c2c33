#include "CliArgs.h"

#include <algorithm>
#include <cctype>

#include "values/NumberFormat.h"

namespace pelmo::cli {

bool ParseDirection(const std::string& text, double& hDeg, double& vDeg) {
    bool seenH = false, seenV = false;
    double h = 0, v = 0;
    auto axisAt = [&](std::size_t i) { return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i]))); };
    std::size_t i = 0;
    if (text.empty()) return false;
    while (i < text.size()) {
        const char axis = axisAt(i);
        if (axis != 'H' && axis != 'V') return false;
        bool& seen = axis == 'H' ? seenH : seenV;
        if (seen) return false;
        seen = true;
        const std::size_t start = ++i;
        while (i < text.size() && axisAt(i) != 'H' && axisAt(i) != 'V') ++i;
        double deg = 0;
        if (!TryParseUserReal(text.substr(start, i - start), deg)) return false;
        (axis == 'H' ? h : v) = deg;
    }
    hDeg = h;
    vDeg = v;
    return true;
}

bool SplitCommandArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags, TCommandArgs& out,
                      std::string& missing) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
            out.Positional.push_back(a);
        } else if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
            out.Options.emplace_back(a, std::string());
        } else if (i + 1 < args.size()) {
            out.Options.emplace_back(a, args[++i]);
        } else {
            missing = a;
            return false;
        }
    }
    return true;
}

}  // namespace pelmo::cli
