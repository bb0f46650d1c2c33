// pelmo-cli minphase FILE.frd [--low HZ] [--high HZ] [--lowslope DB]
//                   [--highslope DB] [--invert] [--delay INCHES]
// The response a driver gets from FILE.frd with its phase derived from the
// level: one line per analysis frequency, Hz <TAB> dB <TAB> degrees. The tail
// settings default to what a driver gets when its FRD is first read.
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "CliMessageSink.h"
#include "base/Conversions.h"
#include "driverdata/MinimumPhase.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/Elements.h"
#include "values/NumberFormat.h"

namespace pelmo::cli {

namespace {

const char* const MinphaseUsage =
    "usage: pelmo-cli minphase FILE.frd [--low HZ] [--high HZ] [--lowslope DB] [--highslope DB]\n"
    "                          [--invert] [--delay INCHES]\n";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli minphase: " << why << "\n" << MinphaseUsage;
    return ExitUsage;
}

int Minphase(const std::vector<std::string>& args) {
    std::string path;
    TDriver drv;
    drv.Acoustic.HilbertPhase = true;
    drv.Acoustic.Tails.LowFreq = 100;
    drv.Acoustic.Tails.HighFreq = 16000;
    drv.Acoustic.Tails.LowSlope = 24;
    drv.Acoustic.Tails.HighSlope = 42;
    const struct {
        const char* name;
        double* value;
    } realOptions[] = {{"--low", &drv.Acoustic.Tails.LowFreq},
                       {"--high", &drv.Acoustic.Tails.HighFreq},
                       {"--lowslope", &drv.Acoustic.Tails.LowSlope},
                       {"--highslope", &drv.Acoustic.Tails.HighSlope},
                       {"--delay", &drv.Acoustic.Tails.DelayInches}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--invert") {
            drv.Acoustic.Tails.Invert = true;
            continue;
        }
        bool matched = false;
        for (const auto& o : realOptions) {
            if (a != o.name) continue;
            matched = true;
            if (i + 1 >= args.size()) return UsageError(a + " needs a value");
            if (!TryParseUserReal(args[++i], *o.value)) return UsageError("not a number: " + args[i]);
        }
        if (matched) continue;
        if (a.size() > 1 && a[0] == '-' && a[1] == '-') return UsageError("unknown option " + a);
        if (!path.empty()) return UsageError("more than one file");
        path = a;
    }
    if (path.empty()) return UsageError("no FRD file");

    StderrMessageSink messages;
    TDesign d;
    EnsureAnalysisGrid(d);
    if (!LoadMinimumPhaseResponse(d, drv, path, messages)) return ExitFailure;
    for (std::size_t k = 0; k < d.Grid.size(); ++k) {
        const double re = drv.Acoustic.Response.Re[k], im = drv.Acoustic.Response.Im[k];
        std::cout << FormatGeneral(d.Grid[k], 10) << '\t' << FormatGeneral(LinToDb(std::hypot(re, im)), 10) << '\t'
                  << FormatGeneral(std::atan2(im, re) * 180.0 / M_PI, 10) << '\n';
    }
    return ExitOk;
}

CommandRegistration reg("minphase", &Minphase);

}  // namespace

}  // namespace pelmo::cli
