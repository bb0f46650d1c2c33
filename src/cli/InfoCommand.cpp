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

void PrintElements(const pelmo::TDesign& d, std::ostream& out) {
    out << "source " << d.Source.Node1 << " " << d.Source.Node2 << "\n";
    for (const auto& p : d.Parts) out << pelmo::PartDesignator(*p) << " " << p->Node1 << " " << p->Node2 << "\n";
    for (const auto& drv : d.Drivers)
        out << pelmo::DriverDesignator(*drv) << " " << drv->Node1 << " " << drv->Node2 << "\n";
    out << "NodeCount " << d.NodeCount << "\n";
}

int Info(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::cerr << "usage: pelmo-cli info DESIGN.bkt\n";
        return pelmo::cli::ExitUsage;
    }
    pelmo::cli::StderrMessageSink messages;
    pelmo::TDesign d;
    if (!pelmo::OpenDesignFile(d, args[0], messages)) return pelmo::cli::ExitFailure;
    pelmo::BuildNetlist(d);
    PrintElements(d, std::cout);
    return pelmo::cli::ExitOk;
}

pelmo::cli::CommandRegistration reg("info", &Info);

}  // namespace
