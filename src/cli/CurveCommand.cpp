// pelmo-cli curve DESIGN.bkt KIND NAME [--digits N] [--smoothing OCT]
//                 [--test-frequency HZ] [--scale S]
// The points a graph window of KIND would plot for its curve NAME: one graph
// record with that one curve, solved by the same solve as the program's, one
// line per point: x <TAB> y [<TAB> phase] (the phase where the kind has a
// phase axis).
#include <algorithm>
#include <cmath>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "CliMessageSink.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"
#include "graphs/GraphKinds.h"
#include "graphs/GraphRecord.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo::cli {

namespace {

const char* const CurveUsage =
    "usage: pelmo-cli curve DESIGN.bkt KIND NAME [--digits N] [--smoothing OCT]\n"
    "                       [--test-frequency HZ] [--scale S]\n"
    "  KIND: spl impedance filter voltage current power groupdelay impulse step squarewave\n"
    "  NAME: System, S1, \"S1 (driver only)\", \"S1 (lookback)\", R1, C1, L1\n"
    "  --smoothing: octaves (0 none, 1000 auditory); default 1/24\n";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli curve: " << why << "\n" << CurveUsage;
    return ExitUsage;
}

int Curve(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    int digits = 10;
    double smoothing = -1, testFrequency = -1, scale = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
            positional.push_back(a);
            continue;
        }
        if (i + 1 >= args.size()) return UsageError(a + " needs a value");
        const std::string& v = args[++i];
        if (a == "--digits") {
            if (!TryParseInt(v, digits) || digits < 1 || digits > 17) return UsageError("--digits takes 1 to 17");
            continue;
        }
        double* target = a == "--smoothing"        ? &smoothing
                         : a == "--test-frequency" ? &testFrequency
                         : a == "--scale"          ? &scale
                                                   : nullptr;
        if (!target) return UsageError("unknown option " + a);
        if (!TryParseUserReal(v, *target) || *target < 0) return UsageError("not a number of 0 or more: " + v);
    }
    if (positional.size() != 3) return UsageError("needs DESIGN.bkt, KIND and NAME");
    const TGraphKindName* kind = FindGraphKindName(positional[1]);
    if (!kind) return UsageError("unknown kind \"" + positional[1] + "\"");

    StderrMessageSink messages;
    TSession session(messages);
    TDesign& d = session.Design();
    if (!OpenDesignFile(d, positional[0], messages)) return ExitFailure;

    // One of the curves the window's Curves menu offers, named as it names them.
    const std::optional<TCurveSubject> subject = ParseCurveCaption(positional[2]);
    const std::vector<TCurveSubject> offered = CurveMenuSubjects(kind->Kind, d);
    if (!subject || std::find(offered.begin(), offered.end(), *subject) == offered.end()) {
        std::cerr << "pelmo-cli curve: a " << kind->Name << " graph of this design has no curve \"" << positional[2]
                  << "\"; its curves:";
        for (const TCurveSubject& s : offered) std::cerr << " \"" << CurveCaption(s) << "\"";
        std::cerr << "\n";
        return ExitFailure;
    }

    TGraphRecord g(kind->Kind);
    g.AutoSystemCurve = false;
    if (testFrequency > 0) g.TestFrequency = testFrequency;
    TSeriesDef& c = AddCurve(g, d, *subject, true);
    if (scale > 0) {
        g.ResponseScale = scale;
        g.AutoScalePending = false;
    }
    c.ShowPhase = KindHasPhase(kind->Kind);
    if (smoothing >= 0) c.Smoothing = smoothing;
    session.Graphs().Add(&g);
    // A circuit block's expression that cannot be evaluated ends the solve
    // with its message.
    if (!session.Solve()) return ExitFailure;

    const TChartCurve& mag = c.MagSeries;
    const TChartCurve& phase = c.PhaseSeries;
    for (std::size_t i = 0; i < mag.Count(); ++i) {
        std::cout << FormatGeneral(mag.X[i], digits) << '\t' << FormatGeneral(mag.Y[i], digits);
        if (c.ShowPhase && i < phase.Count()) std::cout << '\t' << FormatGeneral(phase.Y[i], digits);
        std::cout << '\n';
    }
    return ExitOk;
}

CommandRegistration reg("curve", &Curve);

}  // namespace

}  // namespace pelmo::cli
