// pelmo-cli baffle (--width MM --height MM | --circle MM) [--x MM] [--y MM]
//                  [--roundover MM] [--dia MM] [--at H30V-10] [--distance M]
//                  [--from HZ --to HZ --per-decade N] --out NAME.frd
// Writes the diffraction factor of a driver on a flat baffle as an
// acoustic-effect file (a 0-dB-nominal FRD), on the analysis grid unless
// told otherwise, and prints where it is lowest and highest.
#include <cmath>
#include <complex>
#include <iostream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliCommands.h"
#include "CliMessageSink.h"
#include "acoustics/BaffleDiffraction.h"
#include "acoustics/BaffleEffectFile.h"
#include "driverdata/DriverModel.h"
#include "model/AnalysisGrid.h"
#include "values/NumberFormat.h"

namespace pelmo::cli {

namespace {

const char* const BaffleUsage =
    "usage: pelmo-cli baffle (--width MM --height MM | --circle MM) [--x MM] [--y MM]\n"
    "                        [--roundover MM] [--dia MM] [--at H30V-10] [--distance M]\n"
    "                        [--from HZ --to HZ --per-decade N] --out NAME.frd\n"
    "  --width, --height  a rectangular baffle; --circle MM a circular one of that diameter\n"
    "  --x, --y       the driver's centre from the baffle's centre, right and up (default 0)\n"
    "  --roundover MM radius of the edge roundover (weakens the edges above c / (2 pi r))\n"
    "  --dia MM       the driver's piston diameter (default 0: a point source)\n"
    "  --at H30V-10   the listening direction, degrees right (H) and up (V); default on axis\n"
    "  --distance M   the listening distance from the driver; default far away\n"
    "  writes the factor (driver on this baffle / on an infinite baffle) as an acoustic-effect\n"
    "  file, a 0-dB-nominal FRD, on the 500 analysis frequencies unless --from/--to/--per-decade\n";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli baffle: " << why << "\n" << BaffleUsage;
    return ExitUsage;
}

int Baffle(const std::vector<std::string>& args) {
    double width = 0, height = 0, circle = 0, x = 0, y = 0, roundover = 0, dia = 0, distance = 0;
    double from = 0, to = 0, perDecade = 0;
    bool seenWidth = false, seenHeight = false, seenCircle = false, seenGrid = false;
    std::string out, at;
    const struct {
        const char* name;
        double* value;
        bool* seen;
    } realOptions[] = {{"--width", &width, &seenWidth},
                       {"--height", &height, &seenHeight},
                       {"--circle", &circle, &seenCircle},
                       {"--x", &x, nullptr},
                       {"--y", &y, nullptr},
                       {"--roundover", &roundover, nullptr},
                       {"--dia", &dia, nullptr},
                       {"--distance", &distance, nullptr},
                       {"--from", &from, &seenGrid},
                       {"--to", &to, &seenGrid},
                       {"--per-decade", &perDecade, &seenGrid}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) return UsageError(a.rfind("--", 0) == 0 ? a + " needs a value" : "stray " + a);
        const std::string& value = args[++i];
        if (a == "--out") {
            out = value;
            continue;
        }
        if (a == "--at") {
            at = value;
            continue;
        }
        bool matched = false;
        for (const auto& o : realOptions) {
            if (a != o.name) continue;
            matched = true;
            if (!TryParseUserReal(value, *o.value)) return UsageError("not a number: " + a + " " + value);
            if (o.seen) *o.seen = true;
        }
        if (!matched) return UsageError("unknown option " + a);
    }
    if (seenCircle == (seenWidth || seenHeight)) return UsageError("give either --width and --height or --circle");
    if (!seenCircle && !(seenWidth && seenHeight)) return UsageError("a rectangle needs --width and --height");
    if (out.empty()) return UsageError("missing --out");
    if (out.size() < 4 || (out.compare(out.size() - 4, 4, ".frd") != 0 && out.compare(out.size() - 4, 4, ".FRD") != 0))
        out += ".frd";
    TBaffleListener listener;
    if (!at.empty() && !ParseDirection(at, listener.HDeg, listener.VDeg))
        return UsageError("--at needs a direction such as H30, V-15 or H30V-10, not " + at);
    if (distance < 0) return UsageError("--distance must not be negative (0 means far away)");
    listener.DistanceM = distance;

    DataArray freqs;
    if (seenGrid) {
        if (!(perDecade >= 1 && perDecade <= 10000) || !(from > 0) || !(to > from) || !(to < 1e7))
            return UsageError("the frequencies need 0 < --from < --to and 1 to 10000 points per decade");
        freqs = ModelFrequencies(from, to, static_cast<int>(perDecade));
    } else {
        MakeLogGrid(freqs);
    }

    constexpr double MmPerInch = 25.4;
    TBaffle baffle;
    baffle.Shape = seenCircle ? BaffleShape::Circle : BaffleShape::Rectangle;
    baffle.WidthIn = width / MmPerInch;
    baffle.HeightIn = height / MmPerInch;
    baffle.DiameterIn = circle / MmPerInch;
    baffle.RoundoverIn = roundover / MmPerInch;
    const TBaffleSource source{x / MmPerInch, y / MmPerInch, dia / MmPerInch};
    // The listening distance counts from the driver: the design's origin is
    // put there.
    baffle.CentreXIn = -source.XIn;
    baffle.CentreYIn = -source.YIn;
    const TBaffleSource atOrigin{0, 0, source.DiameterIn};

    StderrMessageSink messages;
    if (!WriteBaffleEffectFile(out, baffle, atOrigin, listener, freqs, messages)) return ExitFailure;
    const auto factor = BaffleFactor(baffle, atOrigin, listener, freqs);
    std::size_t low = 0, high = 0;
    for (std::size_t k = 0; k < factor.size(); ++k) {
        if (std::abs(factor[k]) < std::abs(factor[low])) low = k;
        if (std::abs(factor[k]) > std::abs(factor[high])) high = k;
    }
    auto level = [&](std::size_t k) {
        return FormatFixed(20 * std::log10(std::abs(factor[k])), 2) + " dB at " + FormatGeneral(freqs[k], 5) + " Hz";
    };
    std::cout << "wrote " << out << "\n"
              << "first\t" << level(0) << "\n"
              << "lowest\t" << level(low) << "\n"
              << "highest\t" << level(high) << "\n";
    return ExitOk;
}

CommandRegistration reg("baffle", &Baffle);

}  // namespace

}  // namespace pelmo::cli
