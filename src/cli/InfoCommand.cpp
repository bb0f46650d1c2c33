// pelmo-cli info DESIGN.bkt: one line per source, part and driver with its
// designator and the node numbers of its two terminals (-1: not connected),
// then "NodeCount N".
#include <iostream>

#include "CliCommands.h"
#include "CliMessageSink.h"
#include "document/DocumentFlow.h"
#include "engine/Netlist.h"
#include "model/Design.h"

namespace {

void PrintElements(const pelmo::TDesign& d, const pelmo::TNetlist& net, std::ostream& out) {
    out << "source " << net.Source.Node1 << " " << net.Source.Node2 << "\n";
    for (std::size_t i = 0; i < d.Parts.size(); ++i)
        out << pelmo::PartDesignator(*d.Parts[i]) << " " << net.Parts[i].Node1 << " " << net.Parts[i].Node2 << "\n";
    for (std::size_t i = 0; i < d.Drivers.size(); ++i)
        out << pelmo::DriverDesignator(*d.Drivers[i]) << " " << net.Drivers[i].Node1 << " " << net.Drivers[i].Node2
            << "\n";
    out << "NodeCount " << net.NodeCount << "\n";
}

int Info(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::cerr << "usage: pelmo-cli info DESIGN.bkt\n";
        return pelmo::cli::ExitUsage;
    }
    pelmo::cli::StderrMessageSink messages;
    pelmo::TDesign d;
    if (!pelmo::OpenDesignFile(d, args[0], messages)) return pelmo::cli::ExitFailure;
    PrintElements(d, pelmo::BuildNetlist(d), std::cout);
    return pelmo::cli::ExitOk;
}

pelmo::cli::CommandRegistration reg("info", &Info);

}  // namespace
