// pelmo-cli tolerance DESIGN.bkt [--runs N] [--seed S] [--curve spl|impedance]
//     [--driver NAME] [--distribution uniform|normal] [--driver-db DB]
//     [--smoothing OCT] [--default-tolerance T]
// A Monte Carlo tolerance analysis: prints per point of the sweep the
// frequency, the 5 %, 50 % and 95 % percentiles, the minimum and the maximum
// of the runs, tab-separated (SPL in dB, impedance in ohms).
#include <cmath>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliCommands.h"
#include "CliMessageSink.h"
#include "base/Text.h"
#include "document/DocumentFlow.h"
#include "model/Design.h"
#include "tolerance/ToleranceAnalysis.h"
#include "values/NumberFormat.h"

namespace pelmo::cli {

namespace {

const char* const ToleranceUsage =
    "usage: pelmo-cli tolerance DESIGN.bkt [--runs N] [--seed S] [--curve spl|impedance]\n"
    "           [--driver NAME] [--distribution uniform|normal] [--driver-db DB]\n"
    "           [--smoothing OCT] [--default-tolerance T]\n"
    "  prints per point of the sweep: frequency, p5, p50, p95, min, max (tab-separated;\n"
    "  SPL in dB, impedance in ohms) of N runs (default 500) with every part's value\n"
    "  drawn within its tolerance (the catalogue part's, else the part's specified one)\n"
    "  --seed: a whole number, default 1; the same seed gives the same output\n"
    "  --curve: the summed SPL (default) or the input impedance's magnitude\n"
    "  --driver: the SPL of this driver (S1, S2, ...) instead of the sum\n"
    "  --distribution: uniform over value*(1-t) ... value*(1+t) (default), or normal\n"
    "        with sigma t/2\n"
    "  --driver-db: each driver's level within +/- DB (default 0: fixed)\n"
    "  --smoothing: octaves of smoothing of an SPL curve (0 none, the default; 1000 auditory)\n"
    "  --default-tolerance: the tolerance (a fraction, 0.05 for 5 %) of parts whose design\n"
    "        records none; default 0: such parts keep their values\n";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli tolerance: " << why << "\n" << ToleranceUsage;
    return ExitUsage;
}

bool ParseNumber(const std::string& text, double& out) { return TryParseUserReal(text, out); }

bool ParseSeed(const std::string& text, std::uint64_t& out) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    out = v;
    return true;
}

int Tolerance(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    TToleranceSettings settings;
    std::string curve = "spl", driver;
    double smoothing = 0.0;
    TCommandArgs split;
    std::string missing;
    if (!SplitCommandArgs(args, {}, split, missing)) return UsageError(missing + " needs a value");
    positional = std::move(split.Positional);
    for (const auto& [a, v] : split.Options) {
        if (a == "--runs") {
            if (!TryParseInt(v, settings.Runs) || settings.Runs < 1 || settings.Runs > MaxToleranceRuns)
                return UsageError("--runs takes a whole number from 1 to " + std::to_string(MaxToleranceRuns) +
                                  ", not " + v);
        } else if (a == "--seed") {
            if (!ParseSeed(v, settings.Seed)) return UsageError("--seed takes a whole number of 0 or more, not " + v);
        } else if (a == "--curve") {
            curve = v;
            if (!SameTextIgnoringCase(curve, "spl") && !SameTextIgnoringCase(curve, "impedance"))
                return UsageError("--curve takes spl or impedance, not " + v);
        } else if (a == "--driver") {
            driver = v;
        } else if (a == "--distribution") {
            if (SameTextIgnoringCase(v, "uniform"))
                settings.Distribution = TToleranceDistribution::Uniform;
            else if (SameTextIgnoringCase(v, "normal"))
                settings.Distribution = TToleranceDistribution::Normal;
            else
                return UsageError("--distribution takes uniform or normal, not " + v);
        } else if (a == "--driver-db") {
            if (!ParseNumber(v, settings.DriverDb) || settings.DriverDb < 0 || settings.DriverDb > 40)
                return UsageError("--driver-db takes dB from 0 to 40, not " + v);
        } else if (a == "--smoothing") {
            if (!ParseNumber(v, smoothing) || smoothing < 0)
                return UsageError("--smoothing takes octaves, 0 or more, not " + v);
        } else if (a == "--default-tolerance") {
            if (!ParseNumber(v, settings.UnrecordedTolerance) || settings.UnrecordedTolerance < 0 ||
                settings.UnrecordedTolerance >= 1)
                return UsageError("--default-tolerance takes a fraction from 0 to below 1 (0.05 for 5 %), not " + v);
        } else {
            return UsageError("unknown option " + a);
        }
    }
    if (positional.size() != 1) return UsageError("needs one DESIGN.bkt");
    const bool impedance = SameTextIgnoringCase(curve, "impedance");
    if (impedance && !driver.empty()) return UsageError("--driver goes with --curve spl only");
    if (impedance && smoothing > 0) return UsageError("--smoothing goes with --curve spl only");

    StderrMessageSink messages;
    TDesign d;
    if (!OpenDesignFile(d, positional[0], messages)) return ExitFailure;

    TToleranceCurve c;
    c.Kind = impedance ? TToleranceCurveKind::Impedance : TToleranceCurveKind::Spl;
    c.Smoothing = smoothing;
    if (!driver.empty()) {
        c.Driver = FindDriverByDesignator(d, driver);
        if (c.Driver < 0) {
            std::cerr << "pelmo-cli tolerance: the design has no driver \"" << driver
                      << "\"; its drivers: " << DriverDesignatorList(d) << "\n";
            return ExitFailure;
        }
    }
    settings.Curves = {c};

    const TToleranceOutcome out = RunToleranceAnalysis(d, settings, messages);
    if (!out.Ok) {
        std::cerr << "pelmo-cli tolerance: " << out.Failure << "\n";
        return ExitFailure;
    }
    if (out.FailedRuns > 0)
        std::cerr << "pelmo-cli tolerance: " << out.FailedRuns << " of " << settings.Runs
                  << " runs could not be solved and are left out\n";
    const TToleranceBand& b = out.Bands.front();
    const int digits = 10;
    for (std::size_t k = 0; k < b.Frequency.size(); ++k)
        std::cout << FormatGeneral(b.Frequency[k], digits) << '\t' << FormatGeneral(b.P5[k], digits) << '\t'
                  << FormatGeneral(b.P50[k], digits) << '\t' << FormatGeneral(b.P95[k], digits) << '\t'
                  << FormatGeneral(b.Min[k], digits) << '\t' << FormatGeneral(b.Max[k], digits) << '\n';
    return ExitOk;
}

CommandRegistration reg("tolerance", &Tolerance);

}  // namespace

}  // namespace pelmo::cli
