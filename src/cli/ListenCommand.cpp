// pelmo-cli listen DESIGN.bkt IN OUT [--bypass] [--keep-delay]
// A recording played through the design's summed response (or, with
// --bypass, unfiltered) into OUT, whose extension chooses WAV, FLAC or Ogg.
// The pass band plays at the recording's own level; the output is as long
// as the recording and lined up with it (with --keep-delay the response's
// delay stays in).
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "CliMessageSink.h"
#include "audio/FilterFile.h"
#include "audio/ListenFilter.h"
#include "base/Conversions.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"
#include "model/Design.h"

namespace pelmo::cli {

namespace {

const char* const ListenUsage =
    "usage: pelmo-cli listen DESIGN.bkt IN OUT [--bypass] [--keep-delay]\n"
    "  IN: WAV, FLAC, Ogg or another format libsndfile reads, 8 to 192 kHz\n"
    "  OUT: .wav, .flac or .ogg (the extension chooses the format)\n"
    "  --bypass: the recording unfiltered, as it is\n"
    "  --keep-delay: keep the response's delay (by default it is taken out)\n";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli listen: " << why << "\n" << ListenUsage;
    return ExitUsage;
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

int Listen(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    bool bypass = false, keepDelay = false;
    for (const std::string& a : args) {
        if (a == "--bypass")
            bypass = true;
        else if (a == "--keep-delay")
            keepDelay = true;
        else if (a.size() >= 2 && a.compare(0, 2, "--") == 0)
            return UsageError("unknown option " + a);
        else
            positional.push_back(a);
    }
    if (positional.size() != 3) return UsageError("needs DESIGN.bkt, IN and OUT");
    const std::string& in = positional[1];
    const std::string& out = positional[2];

    StderrMessageSink messages;
    TSession session(messages);
    if (!OpenDesignFile(session.Design(), positional[0], messages)) return ExitFailure;
    TListenResponse response;
    if (!bypass) {
        if (!session.Solve()) return ExitFailure;
        std::string error;
        if (!SystemResponse(session.Design(), session.GraphSolve().Result, response, error)) {
            std::cerr << "pelmo-cli listen: " << error << "\n";
            return ExitFailure;
        }
    }
    TListenFilterOptions options;
    options.KeepDelay = keepDelay;
    TListenFileReport report;
    std::string error;
    if (!ListenToFile(in, out, bypass ? nullptr : &response, options, report, error)) {
        std::cerr << "pelmo-cli listen: " << error << "\n";
        return ExitFailure;
    }

    const TAudioInfo& info = report.Input;
    std::cout << in << ": " << info.Describe() << "\n";
    if (bypass) {
        std::cout << "unfiltered\n";
    } else {
        const TListenFilter& f = report.Filter;
        std::cout << "through the design: " << f.Taps.size() << " taps ("
                  << Fixed(static_cast<double>(f.Taps.size()) / f.SampleRate, 3) << " s); the pass band at "
                  << Fixed(LinToDb(f.ReferenceLevel), 1) << " dB plays at the recording's level; ";
        if (keepDelay)
            std::cout << "delay kept, main arrival at " << Fixed(f.Arrival * 1000, 3) << " ms\n";
        else
            std::cout << "delay of " << Fixed(f.RemovedDelay * 1000, 3) << " ms taken out\n";
    }
    std::cout << out << ": " << TAudioInfo{info.SampleRate, info.Channels, info.Frames, report.OutputFormat}.Describe()
              << "\n";
    if (report.ClippedSamples > 0)
        std::cerr << "pelmo-cli listen: " << report.ClippedSamples << " samples went beyond full scale (peak "
                  << Fixed(LinToDb(report.Peak), 1) << " dBFS) and were clipped\n";
    return ExitOk;
}

CommandRegistration reg("listen", &Listen);

}  // namespace

}  // namespace pelmo::cli
