#pragma once

#include <string>
#include <vector>

namespace pelmo::cli {

// Exit codes of every command.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

using CommandFn = int (*)(const std::vector<std::string>& args);

// Each command file registers itself with a static CommandRegistration.
struct CommandRegistration {
    CommandRegistration(const char* name, CommandFn fn);
};

CommandFn FindCommand(const std::string& name);

}  // namespace pelmo::cli
