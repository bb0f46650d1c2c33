#include "CliCommands.h"

#include <map>

namespace pelmo::cli {

namespace {
std::map<std::string, CommandFn>& Registry() {
    static std::map<std::string, CommandFn> registry;
    return registry;
}
}  // namespace

CommandRegistration::CommandRegistration(const char* name, CommandFn fn) { Registry()[name] = fn; }

CommandFn FindCommand(const std::string& name) {
    const auto it = Registry().find(name);
    return it == Registry().end() ? nullptr : it->second;
}

}  // namespace pelmo::cli
