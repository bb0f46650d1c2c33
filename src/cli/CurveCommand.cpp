// pelmo-cli curve DESIGN.bkt KIND NAME [--digits N] [--smoothing OCT]
//                 [--test-frequency HZ] [--scale S] [--at H30V-10] [--distance M]
// The points a graph window of KIND would plot for its curve NAME: one graph
// record with that one curve, solved by the same solve as the program's, one
// line per point: x <TAB> y [<TAB> phase] (the phase where the kind has a
// phase axis). A listening point given puts it into the design's setup, with
// the driver positions used. The directional kinds (spinorama, powerdi,
// offaxis, polarmap) print their whole set of curves as columns.
//
// pelmo-cli curve DESIGN.bkt soundpower|di NAME [--weights sector|cta2034]
//                 [--step DEG] [--distance M] [--digits N]
// The sound power or directivity index of the System or one driver: Hz <TAB> dB.
#include <algorithm>
#include <cmath>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliCommands.h"
#include "CliMessageSink.h"
#include "base/Text.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"
#include "engine/DirectionalSum.h"
#include "graphs/GraphCurves.h"
#include "graphs/GraphKinds.h"
#include "graphs/GraphRecord.h"
#include "model/Design.h"
#include "model/ListeningSetup.h"
#include "values/NumberFormat.h"

namespace pelmo::cli {

namespace {

const char* const CurveUsage =
    "usage: pelmo-cli curve DESIGN.bkt KIND NAME [--digits N] [--smoothing OCT]\n"
    "                       [--test-frequency HZ] [--scale S] [--at H30V-10] [--distance M]\n"
    "       pelmo-cli curve DESIGN.bkt soundpower|di NAME [--weights sector|cta2034]\n"
    "                       [--step DEG] [--distance M] [--digits N]\n"
    "  KIND: spl impedance filter voltage current power groupdelay impulse step squarewave\n"
    "        spinorama powerdi offaxis polarmap (these print their set of curves as columns)\n"
    "  NAME: System, S1, \"S1 (driver only)\", \"S1 (lookback)\", R1, C1, L1\n"
    "  --smoothing: octaves (0 none, 1000 auditory); default 1/24\n"
    "  --at: the listening point's direction, degrees right (H) and up (V); the drivers are\n"
    "        heard from where they sit (without --at and --distance the design's own setup holds)\n"
    "  --distance: metres from the design's origin, 0.1 to 100 (default the design's, 1 m)\n"
    "  soundpower, di: sound power and directivity index (dB, referred to 1 m) of the System\n"
    "        or one driver (S1), from the sectors of both planes every --step degrees\n"
    "        (default 10) or from the spinorama's 70 positions with its weights (cta2034)\n";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli curve: " << why << "\n" << CurveUsage;
    return ExitUsage;
}

struct TCurveOptions {
    int digits = 10;
    double smoothing = -1, testFrequency = -1, scale = -1;
    bool at = false;
    double hDeg = 0, vDeg = 0;
    double distance = -1;  // none given
    std::string weights;   // empty: none given
    double step = -1;
};

// The sound power or the directivity index of the System or one driver.
int PowerCurve(TSession& session, const std::string& kind, const std::string& name, const TCurveOptions& o) {
    TDesign& d = session.Design();
    int driver = -1;
    if (UpperCase(name) != "SYSTEM") {
        driver = FindDriverByDesignator(d, name);
        if (driver < 0) {
            std::cerr << "pelmo-cli curve: this design has no driver \"" << name << "\"; its curves: \"System\"";
            for (const auto& drv : d.Drivers) std::cerr << " \"" << DriverDesignator(*drv) << "\"";
            std::cerr << "\n";
            return ExitFailure;
        }
    }
    if (!session.Solve()) return ExitFailure;
    TGraphSolve& solve = session.GraphSolve();
    const double distance = o.distance > 0 ? o.distance : ReadListeningSetup(d.Settings).DistanceM;
    const TPowerWeighting weighting = o.weights == "cta2034" ? TPowerWeighting::Cta2034 : TPowerWeighting::Sectors;
    TDirectionalWork work;
    TPowerAndDi power;
    PowerAndDiOf(d, solve.Result, solve.Context.Directivity, weighting, o.step > 0 ? o.step : 10.0, distance, driver,
                 work, session.Messages(), power);
    const DataArray& y = kind == "di" ? power.DiDb : power.PowerDb;
    for (std::size_t k = 0; k < y.size() && k < solve.Result.Grid.size(); ++k)
        std::cout << FormatGeneral(solve.Result.Grid[k], o.digits) << '\t' << FormatGeneral(y[k], o.digits) << '\n';
    return ExitOk;
}

// A set of curves as columns under a header line "# Hz<TAB>On Axis<TAB>...":
// one line per frequency of the first curve; a curve without a point there
// leaves its column empty.
void PrintCurveSet(const TGraphRecord& g, int digits) {
    std::cout << "# Hz";
    for (std::size_t i = 0; i < g.Curves.size(); ++i)
        std::cout << '\t' << (g.Curves[i].Name.empty() ? "curve " + std::to_string(i + 1) : g.Curves[i].Name);
    std::cout << '\n';
    const TChartCurve& first = g.Curves.front().MagSeries;
    for (std::size_t k = 0; k < first.Count(); ++k) {
        std::cout << FormatGeneral(first.X[k], digits);
        for (const TSeriesDef& c : g.Curves) {
            std::cout << '\t';
            if (k < c.MagSeries.Count()) std::cout << FormatGeneral(c.MagSeries.Y[k], digits);
        }
        std::cout << '\n';
    }
}

int Curve(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    TCurveOptions o;
    TCommandArgs split;
    std::string missing;
    if (!SplitCommandArgs(args, {}, split, missing)) return UsageError(missing + " needs a value");
    positional = std::move(split.Positional);
    for (const auto& [a, v] : split.Options) {
        if (a == "--digits") {
            if (!TryParseInt(v, o.digits) || o.digits < 1 || o.digits > 17) return UsageError("--digits takes 1 to 17");
            continue;
        }
        if (a == "--at") {
            if (!ParseDirection(v, o.hDeg, o.vDeg))
                return UsageError("--at needs a direction such as H30, V-20 or H30V10, not \"" + v + "\"");
            o.at = true;
            continue;
        }
        if (a == "--distance") {
            if (!TryParseUserReal(v, o.distance) || !IsListeningDistance(o.distance))
                return UsageError("--distance takes 0.1 to 100 (metres), not \"" + v + "\"");
            continue;
        }
        if (a == "--weights") {
            if (v != "sector" && v != "cta2034")
                return UsageError("--weights takes sector or cta2034, not \"" + v + "\"");
            o.weights = v;
            continue;
        }
        if (a == "--step") {
            if (!TryParseUserReal(v, o.step) || !(o.step >= 1 && o.step <= 90))
                return UsageError("--step takes 1 to 90 (degrees), not \"" + v + "\"");
            continue;
        }
        double* target = a == "--smoothing"        ? &o.smoothing
                         : a == "--test-frequency" ? &o.testFrequency
                         : a == "--scale"          ? &o.scale
                                                   : nullptr;
        if (!target) return UsageError("unknown option " + a);
        if (!TryParseUserReal(v, *target) || *target < 0) return UsageError("not a number of 0 or more: " + v);
    }
    if (positional.size() != 3) return UsageError("needs DESIGN.bkt, KIND and NAME");
    const bool power = positional[1] == "soundpower" || positional[1] == "di";
    const TGraphKindName* kind = power ? nullptr : FindGraphKindName(positional[1]);
    if (!power && !kind) return UsageError("unknown kind \"" + positional[1] + "\"");
    if (power && (o.at || o.smoothing >= 0 || o.testFrequency >= 0 || o.scale >= 0))
        return UsageError("soundpower and di take --weights, --step, --distance and --digits only");
    if (!power && (!o.weights.empty() || o.step > 0))
        return UsageError("--weights and --step are for soundpower and di");
    if (o.weights == "cta2034" && o.step > 0) return UsageError("--step is for the sector weights");

    StderrMessageSink messages;
    TSession session(messages);
    TDesign& d = session.Design();
    if (!OpenDesignFile(d, positional[0], messages)) return ExitFailure;
    if (power) return PowerCurve(session, positional[1], positional[2], o);

    // A listening point given here: the drivers are heard from where they
    // sit, as with the design's own setup switched on.
    if (o.at || o.distance > 0) {
        TListeningSetup setup = ReadListeningSetup(d.Settings);
        if (o.at) {
            setup.HDeg = o.hDeg;
            setup.VDeg = o.vDeg;
        }
        if (o.distance > 0) setup.DistanceM = o.distance;
        setup.UseDriverPositions = true;
        WriteListeningSetup(setup, d.Settings);
    }

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
    if (o.testFrequency > 0) g.TestFrequency = o.testFrequency;
    // A directional kind shows the subject as a set of curves (the
    // spinorama's seven, one per angle, ...): all of them are printed.
    const int index = ChooseCurve(g, d, *subject, true).Index;
    if (o.scale > 0) {
        g.ResponseScale = o.scale;
        g.AutoScalePending = false;
    }
    const bool set = GraphKindDescriptor(kind->Kind).CurveSet;
    for (std::size_t i = set ? 0 : static_cast<std::size_t>(index); i < g.Curves.size(); ++i) {
        g.Curves[i].ShowPhase = !set && KindHasPhase(kind->Kind);
        if (o.smoothing >= 0) g.Curves[i].Smoothing = o.smoothing;
    }
    session.Graphs().Add(&g);
    // A circuit block's expression that cannot be evaluated ends the solve
    // with its message.
    if (!session.Solve()) return ExitFailure;

    if (set) {
        PrintCurveSet(g, o.digits);
        return ExitOk;
    }
    const TSeriesDef& c = g.Curves[static_cast<std::size_t>(index)];
    const TChartCurve& mag = c.MagSeries;
    const TChartCurve& phase = c.PhaseSeries;
    for (std::size_t i = 0; i < mag.Count(); ++i) {
        std::cout << FormatGeneral(mag.X[i], o.digits) << '\t' << FormatGeneral(mag.Y[i], o.digits);
        if (c.ShowPhase && i < phase.Count()) std::cout << '\t' << FormatGeneral(phase.Y[i], o.digits);
        std::cout << '\n';
    }
    return ExitOk;
}

CommandRegistration reg("curve", &Curve);

}  // namespace

}  // namespace pelmo::cli
