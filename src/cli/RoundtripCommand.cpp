// pelmo-cli roundtrip IN.bkt OUT.bkt: reads a design and writes it again.
#include <iostream>

#include "CliCommands.h"
#include "CliMessageSink.h"
#include "document/DocumentFlow.h"
#include "model/Design.h"

namespace {

int Roundtrip(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::cerr << "usage: pelmo-cli roundtrip IN.bkt OUT.bkt\n";
        return pelmo::cli::ExitUsage;
    }
    pelmo::cli::StderrMessageSink messages;
    pelmo::TDesign d;
    if (!pelmo::OpenDesignFile(d, args[0], messages)) return pelmo::cli::ExitFailure;
    if (!pelmo::SaveDesignFile(d, args[1], messages)) return pelmo::cli::ExitFailure;
    return pelmo::cli::ExitOk;
}

pelmo::cli::CommandRegistration reg("roundtrip", &Roundtrip);

}  // namespace
