// pelmo-cli spinorama DESIGN.bkt [--distance M] [--driver S1] [--digits N]
// The spinorama of the design (or of one driver): a "#" line naming the
// columns, a row per analysis frequency (levels in dB referred to 1 m), and
// the preference score last.
#include <iostream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliCommands.h"
#include "CliMessageSink.h"
#include "acoustics/PreferenceScore.h"
#include "base/Text.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"
#include "engine/DirectionalSum.h"
#include "model/Design.h"
#include "model/ListeningSetup.h"
#include "values/NumberFormat.h"

namespace pelmo::cli {

namespace {

const char* const SpinoramaUsage =
    "usage: pelmo-cli spinorama DESIGN.bkt [--distance M] [--driver S1] [--digits N]\n"
    "  prints the columns Hz ON LW ER SP PIR ERDI SPDI (dB, referred to 1 m) at every\n"
    "  analysis frequency and then the preference score; the drivers are heard from where\n"
    "  they sit, at --distance metres (0.1 to 100; default the design's listening distance)\n";

// Olive's rating as PreferenceScore computes it.
const char* const ScoreVariant = "Olive, LFX from the sound power";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli spinorama: " << why << "\n" << SpinoramaUsage;
    return ExitUsage;
}

int Spinorama(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    int digits = 10;
    double distance = -1;
    std::string driverName;
    TCommandArgs split;
    std::string missing;
    if (!SplitCommandArgs(args, {}, split, missing)) return UsageError(missing + " needs a value");
    positional = std::move(split.Positional);
    for (const auto& [a, v] : split.Options) {
        if (a == "--digits") {
            if (!TryParseInt(v, digits) || digits < 1 || digits > 17) return UsageError("--digits takes 1 to 17");
        } else if (a == "--distance") {
            if (!TryParseUserReal(v, distance) || !IsListeningDistance(distance))
                return UsageError("--distance takes 0.1 to 100 (metres), not \"" + v + "\"");
        } else if (a == "--driver") {
            driverName = v;
        } else {
            return UsageError("unknown option " + a);
        }
    }
    if (positional.size() != 1) return UsageError("needs DESIGN.bkt");

    StderrMessageSink messages;
    TSession session(messages);
    TDesign& d = session.Design();
    if (!OpenDesignFile(d, positional[0], messages)) return ExitFailure;
    int driver = -1;
    if (!driverName.empty()) {
        driver = FindDriverByDesignator(d, driverName);
        if (driver < 0) {
            std::cerr << "pelmo-cli spinorama: this design has no driver \"" << driverName
                      << "\"; its drivers: " << DriverDesignatorList(d) << "\n";
            return ExitFailure;
        }
    }
    if (!session.Solve()) return ExitFailure;
    if (distance <= 0) distance = ReadListeningSetup(d.Settings).DistanceM;

    TGraphSolve& solve = session.GraphSolve();
    TDirectionalWork work;
    TSpinorama s;
    SpinoramaOf(d, solve.Result, solve.Context.Directivity, distance, driver, work, session.Messages(), s);
    const DataArray& f = solve.Result.Grid;
    std::cout << "# Hz\tON\tLW\tER\tSP\tPIR\tERDI\tSPDI\n";
    for (std::size_t k = 0; k < f.size() && k < s.On.size(); ++k) {
        const double row[] = {
            f[k],      s.On[k],  s.ListeningWindow[k], s.EarlyReflections[k], s.SoundPower[k], s.PredictedInRoom[k],
            s.Erdi[k], s.Spdi[k]};
        for (std::size_t c = 0; c < std::size(row); ++c) std::cout << (c ? "\t" : "") << FormatGeneral(row[c], digits);
        std::cout << '\n';
    }
    const TPreferenceScore p = PreferenceScore(f, s.On, s.ListeningWindow, s.SoundPower, s.PredictedInRoom);
    std::cout << "# preference score " << FormatFixed(p.Score, 2) << " (" << ScoreVariant << ": NBD_ON "
              << FormatFixed(p.NbdOn, 3) << ", NBD_PIR " << FormatFixed(p.NbdPir, 3) << ", LFX "
              << FormatGeneral(p.LfxHz, 4) << " Hz, SM_PIR " << FormatFixed(p.SmPir, 3) << ")\n";
    return ExitOk;
}

CommandRegistration reg("spinorama", &Spinorama);

}  // namespace

}  // namespace pelmo::cli
