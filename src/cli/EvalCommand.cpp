// pelmo-cli eval EXPR [NAME=VALUE ...]: evaluates an expression with the
// circuit blocks' evaluator and prints the value with 15 significant digits.
#include <exception>
#include <iostream>

#include "CliCommands.h"
#include "blocks/bcParser.h"
#include "values/NumberFormat.h"

namespace {

int Eval(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::cerr << "usage: pelmo-cli eval EXPR [NAME=VALUE ...]\n";
        return pelmo::cli::ExitUsage;
    }
    pelmo::TbcParser parser;
    try {
        for (std::size_t i = 1; i < args.size(); ++i) {
            const auto eq = args[i].find('=');
            double value = 0;
            if (eq == std::string::npos || !pelmo::TryParseUserReal(std::string_view(args[i]).substr(eq + 1), value)) {
                std::cerr << "pelmo-cli eval: expected NAME=VALUE, got \"" << args[i] << "\"\n";
                return pelmo::cli::ExitUsage;
            }
            parser.DefineVariable(args[i].substr(0, eq), value);
        }
        parser.SetExpression(args[0]);
        std::cout << pelmo::FormatGeneral(parser.GetValue(), 15) << "\n";
        return pelmo::cli::ExitOk;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return pelmo::cli::ExitFailure;
    }
}

pelmo::cli::CommandRegistration reg("eval", &Eval);

}  // namespace
