#pragma once

#include <string>
#include <utility>
#include <vector>

// Readers of option values that several commands share.

namespace pelmo::cli {

// A listening direction "H30", "V-20" or "H30V-10" (either order, any case,
// decimals with "." or ","), in degrees; false for anything else.
bool ParseDirection(const std::string& text, double& hDeg, double& vDeg);

// A command's arguments: the words that are no option, and each option with
// its value, in order. Every option takes the next argument as its value,
// except the flags named, which take none (their value is "").
struct TCommandArgs {
    std::vector<std::string> Positional;
    std::vector<std::pair<std::string, std::string>> Options;
};
// False when an option that takes a value ends the arguments; `missing`
// names it.
bool SplitCommandArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags, TCommandArgs& out,
                      std::string& missing);

}  // namespace pelmo::cli
