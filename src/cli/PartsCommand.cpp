// pelmo-cli parts update [--server URL]
//     updates the parts catalogue in the data folder's "PartsLists" from the
//     server (default: the CatalogueServer setting, else the catalogue that
//     ships with the program) and prints what changed in each list
// pelmo-cli parts list C|L|R|S|V
//     prints a list: capacitors, inductors, resistors, drivers or vendors
#include <iostream>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "CliMessageSink.h"
#include "base/Text.h"
#include "catalogue/CatalogueLists.h"
#include "catalogue/CatalogueServer.h"
#include "catalogue/CatalogueUpdate.h"
#include "document/DataFolder.h"
#include "document/Settings.h"

namespace pelmo::cli {

namespace {

const char* const PartsUsage =
    "usage: pelmo-cli parts update [--server URL]\n"
    "       pelmo-cli parts list C|L|R|S|V\n"
    "  update  fetches the catalogue into the data folder's PartsLists and prints the\n"
    "          entries added, updated and removed per list; the server is --server, else\n"
    "          the CatalogueServer setting in Pelmo.ini, else the shipped generic catalogue\n"
    "  list    prints the capacitors (C), inductors (L), resistors (R), drivers (S) or\n"
    "          vendors (V)\n";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli parts: " << why << "\n" << PartsUsage;
    return ExitUsage;
}

std::string N(double x, int decimals) { return FormatListNumber(x, decimals); }
std::string WithUnit(double x, int decimals, const char* unit) { return x == 0 ? "" : N(x, decimals) + " " + unit; }

void PrintRow(const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) std::cout << (i ? "\t" : "") << cells[i];
    std::cout << "\n";
}

int Update(const std::vector<std::string>& args) {
    std::string server;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--server" && i + 1 < args.size())
            server = args[++i];
        else
            return UsageError(args[i] == "--server" ? "--server needs a URL" : "unknown option " + args[i]);
    }
    StderrMessageSink messages;
    const std::string data = PublicDataFolder(messages);
    if (data.empty()) return ExitFailure;
    if (server.empty()) server = CatalogueServerUrl(ReadSettings(data));
    if (server.empty()) {
        messages.ShowMessage("No catalogue server is set, and the shipped catalogue is missing.");
        return ExitFailure;
    }
    const std::string parts = data + PartsListsFolderName + "/";
    CurlDownloader downloader;
    const TCatalogueUpdateSummary s = RunCatalogueUpdate(parts, server, downloader);
    for (const std::string& note : s.Notes) std::cerr << "pelmo-cli parts: " << note << "\n";
    if (!s.Message.empty()) messages.ShowMessage(s.Message);
    if (s.Outcome == TUpdateOutcome::WriteFailed) {
        messages.ShowMessage("Could not write the parts lists in " + parts);
        return ExitFailure;
    }
    if (s.Outcome != TUpdateOutcome::Updated) return ExitFailure;
    const char* const names[] = {"Capacitors", "Inductors", "Resistors", "Drivers"};
    for (int k = 0; k < 4; ++k)
        std::cout << names[k] << ": " << s.Changes[k].Added << " added, " << s.Changes[k].Updated << " updated, "
                  << s.Changes[k].Removed << " removed\n";
    if (s.BadLines) std::cout << "Lines skipped: " << s.BadLines << "\n";
    if (s.FailedDownloads) std::cout << "Failed downloads: " << s.FailedDownloads << "\n";
    if (s.LocalBadLines) std::cout << "Damaged local lines dropped: " << s.LocalBadLines << "\n";
    return ExitOk;
}

void ListPassives(const TPassives& list, const char* title) {
    const bool cap = list.Kind == TPassiveKind::Capacitor, coil = list.Kind == TPassiveKind::Inductor;
    const char* unit = cap ? "uF" : coil ? "mH" : "ohm";
    std::cout << "# " << title << ", list date " << FormatCatalogueDate(list.Date) << ", " << list.Items.size()
              << " entries\n";
    std::vector<std::string> head = {"Part#", "Vendor", "Value", "Tol.", cap ? "Volts" : "Watts"};
    if (!(list.Kind == TPassiveKind::Resistor)) head.push_back("ESR");
    head.push_back("Type");
    if (coil) head.push_back("AWG");
    for (const char* h : {"Manuf.", "Model", "Descr.", "Cost(USD)"}) head.push_back(h);
    PrintRow(head);
    for (const TPassive& p : list.Items) {
        std::vector<std::string> row = {p.PartNumber, p.Vendor, N(p.Value, 3) + " " + unit,
                                        WithUnit(p.Tolerance, 1, "%"), WithUnit(p.Rating, 0, cap ? "V" : "W")};
        if (!(list.Kind == TPassiveKind::Resistor)) row.push_back(WithUnit(p.ESR, 3, "ohm"));
        row.push_back(p.TypeCode);
        if (coil) row.push_back(p.AWG > 0 ? N(p.AWG, 0) : "");
        for (const std::string& s : {p.Manufacturer, p.Model, p.Description, p.Cost > 0 ? N(p.Cost, 2) : ""})
            row.push_back(s);
        PrintRow(row);
    }
}

void ListDrivers(const TCatalogueDrivers& list) {
    std::cout << "# Drivers, list date " << FormatCatalogueDate(list.Date) << ", " << list.Items.size() << " entries\n";
    PrintRow({"Part#", "Vendor", "Type", "Pro/Home", "Manuf.", "Model", "Z", "dBSPL@2.83V/m", "Pwr Max", "Nom Dia",
              "F(min)", "F(max)", "Response", "ZMA", "TSP", "Descr.", "Cost(USD)"});
    for (const TCatalogueDriver& d : list.Items) {
        std::string response = d.ResponseFile;
        if (!d.ResponseNames.empty()) response += "/ (" + std::to_string(d.ResponseNames.size()) + " files)";
        PrintRow({d.PartNumber, d.Vendor, d.TypeLetters, d.UseLetters, d.Manufacturer, d.Model,
                  WithUnit(d.NominalImpedance, 1, "ohm"), N(d.Sensitivity, 1), N(d.MaxPower, 1), N(d.NominalDia, 2),
                  N(d.FLow, 1), N(d.FHigh, 1), response, d.ImpedanceFile, d.ParameterFile, d.Description,
                  d.Cost > 0 ? N(d.Cost, 2) : ""});
    }
}

void ListVendors(const TVendors& list) {
    std::cout << "# Vendors, index fetched " << FormatCatalogueDate(list.Date) << ", " << list.Items.size()
              << " entries\n";
    PrintRow({"Name", "Text2", "Text3", "Active", "Capacitors", "Inductors", "Resistors", "Drivers"});
    for (const TVendorInfo& v : list.Items)
        PrintRow({v.Name, v.Text2, v.Text3, v.Active ? "Y" : "N", FormatCatalogueDate(v.Dates[0]),
                  FormatCatalogueDate(v.Dates[1]), FormatCatalogueDate(v.Dates[2]), FormatCatalogueDate(v.Dates[3])});
}

int List(const std::vector<std::string>& args) {
    if (args.size() != 2) return UsageError("list needs one of C, L, R, S, V");
    const std::string which = UpperCase(args[1]);
    if (which.size() != 1 || std::string("CLRSV").find(which) == std::string::npos)
        return UsageError("unknown list " + args[1] + " (C, L, R, S or V)");
    StderrMessageSink messages;
    const std::string data = PublicDataFolder(messages);
    if (data.empty()) return ExitFailure;
    const std::string parts = data + PartsListsFolderName + "/";
    switch (which[0]) {
        case 'C':
            ListPassives(ReadPassiveList(parts + "C.pmd", TPassiveKind::Capacitor), "Capacitors");
            break;
        case 'L':
            ListPassives(ReadPassiveList(parts + "L.pmd", TPassiveKind::Inductor), "Inductors");
            break;
        case 'R':
            ListPassives(ReadPassiveList(parts + "R.pmd", TPassiveKind::Resistor), "Resistors");
            break;
        case 'S':
            ListDrivers(ReadDriverList(parts + DriverListFileName));
            break;
        default:
            ListVendors(ReadVendorList(parts + VendorListFileName));
    }
    return ExitOk;
}

int Parts(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("missing update or list");
    if (args[0] == "update") return Update(args);
    if (args[0] == "list") return List(args);
    return UsageError("unknown parts command " + args[0]);
}

CommandRegistration reg("parts", &Parts);

}  // namespace

}  // namespace pelmo::cli
