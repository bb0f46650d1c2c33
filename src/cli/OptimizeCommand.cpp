// pelmo-cli optimize DESIGN.bkt --vary C1,L1,... [--target flat|FILE.frd]
//     [--driver-target S1:lr4-lp:2500[:DB] ...] [--band 200:15000] [--snap]
//     [--max-evals N] [--level DB] [--bounds NAME:LOW:HIGH ...]
//     [--impedance-floor OHMS] [--phase-weight W] --out OUT.bkt
// Searches values of the named variables that bring the design closest to
// the targets, writes the design with them and prints the objective before
// and after and every variable's old and new value.
#include <cmath>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliCommands.h"
#include "CliMessageSink.h"
#include "base/Text.h"
#include "blocks/CircuitBlocks.h"
#include "document/DocumentFlow.h"
#include "model/Design.h"
#include "optimize/Optimizer.h"
#include "values/NumberFormat.h"

namespace pelmo::cli {

namespace {

const char* const OptimizeUsage =
    "usage: pelmo-cli optimize DESIGN.bkt --vary NAME,NAME,... --out OUT.bkt\n"
    "           [--target flat|FILE.frd] [--level DB] [--driver-target S1:lr4-lp:2500[:DB] ...]\n"
    "           [--band LOW:HIGH] [--bounds NAME:LOW:HIGH ...] [--impedance-floor OHMS]\n"
    "           [--phase-weight W] [--snap] [--max-evals N]\n"
    "  NAME: a part (C1, L2, R3), a driver's level or delay (S1:level, S1:delay),\n"
    "        a circuit block's variable (B1:F: block 1, variable F)\n"
    "  --target: the summed response flat (default) or a curve from an FRD file;\n"
    "        --level fixes the flat level in dB (or takes the curve at its own levels),\n"
    "        otherwise the level is fitted\n"
    "  --driver-target: a driver's acoustic target, lr2 lr4 bw2 bw3 with -lp or -hp\n"
    "        at a frequency in Hz, optionally at a pass-band level in dB; two for the\n"
    "        same driver make a band-pass\n"
    "  --band: the frequencies the error counts over, default 200:15000\n"
    "  --bounds: a variable's bounds in its own unit (F, H, ohm, dB, seconds);\n"
    "        default one octave each way, +/-6 dB, +/-100 us\n"
    "  --snap: put every part value on its step mode's E-series at the end\n"
    "  --max-evals: evaluations of the search at most, default 3000\n";

int UsageError(const std::string& why) {
    std::cerr << "pelmo-cli optimize: " << why << "\n" << OptimizeUsage;
    return ExitUsage;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}

bool ParseNumber(const std::string& text, double& out) { return TryParseUserReal(text, out); }

struct TDriverTargetText {
    std::string Driver;
    std::string Shape;
    double Frequency = 0;
    std::optional<double> Level;
};

// "S1:lr4-lp:2500" or "S1:lr4-lp:2500:85".
bool ParseDriverTarget(const std::string& text, TDriverTargetText& t) {
    const auto parts = Split(text, ':');
    if (parts.size() != 3 && parts.size() != 4) return false;
    t.Driver = parts[0];
    t.Shape = parts[1];
    if (!ParseNumber(parts[2], t.Frequency) || !(t.Frequency > 0)) return false;
    if (parts.size() == 4) {
        double level = 0;
        if (!ParseNumber(parts[3], level)) return false;
        t.Level = level;
    }
    return true;
}

// Adds a filter to the driver's target (one target per driver).
bool AddDriverTarget(const TDesign& d, const TDriverTargetText& text, std::vector<TDriverTarget>& targets,
                     std::string& why) {
    const int driver = FindDriverByDesignator(d, text.Driver);
    if (driver < 0) {
        why = "the design has no driver \"" + text.Driver + "\"";
        return false;
    }
    const auto dash = text.Shape.find('-');
    const auto alignment = ParseAlignment(text.Shape.substr(0, dash));
    const std::string pass = dash == std::string::npos ? "" : text.Shape.substr(dash + 1);
    const bool low = SameTextIgnoringCase(pass, "lp"), high = SameTextIgnoringCase(pass, "hp");
    if (!alignment || (!low && !high)) {
        why = "unknown driver target \"" + text.Shape + "\" (lr2, lr4, bw2 or bw3 with -lp or -hp)";
        return false;
    }
    TDriverTarget* t = nullptr;
    for (TDriverTarget& e : targets)
        if (e.Driver == driver) t = &e;
    if (!t) {
        targets.push_back({});
        t = &targets.back();
        t->Driver = driver;
    }
    auto& slot = low ? t->LowPass : t->HighPass;
    if (slot) {
        why = "driver " + text.Driver + " has two " + (low ? "low" : "high") + "-pass targets";
        return false;
    }
    slot = TFilterShape{*alignment, text.Frequency};
    if (text.Level) t->LevelDb = text.Level;
    return true;
}

int Optimize(const std::vector<std::string>& args) {
    std::vector<std::string> positional, vary, driverTargets, bounds;
    std::string target = "flat", out;
    std::optional<double> level;
    double bandLow = 200, bandHigh = 15000, floor = 0, phaseWeight = 0;
    bool snap = false;
    int maxEvals = 3000;
    TCommandArgs split;
    std::string missing;
    if (!SplitCommandArgs(args, {"--snap"}, split, missing)) return UsageError(missing + " needs a value");
    positional = std::move(split.Positional);
    for (const auto& [a, v] : split.Options) {
        if (a == "--snap") {
            snap = true;
            continue;
        }
        if (a == "--vary") {
            for (const std::string& name : Split(v, ','))
                if (!TrimBlanks(name).empty()) vary.push_back(TrimBlanks(name));
        } else if (a == "--target") {
            target = v;
        } else if (a == "--driver-target") {
            driverTargets.push_back(v);
        } else if (a == "--bounds") {
            bounds.push_back(v);
        } else if (a == "--out") {
            out = v;
        } else if (a == "--band") {
            const auto parts = Split(v, ':');
            if (parts.size() != 2 || !ParseNumber(parts[0], bandLow) || !ParseNumber(parts[1], bandHigh) ||
                !(bandLow > 0) || !(bandHigh > bandLow))
                return UsageError("--band takes LOW:HIGH in Hz, LOW below HIGH");
        } else if (a == "--max-evals") {
            if (!TryParseInt(v, maxEvals) || maxEvals < 1)
                return UsageError("--max-evals takes a whole number of 1 or more");
        } else if (a == "--level") {
            double l = 0;
            if (!ParseNumber(v, l)) return UsageError("--level takes a number of dB");
            level = l;
        } else if (a == "--impedance-floor") {
            if (!ParseNumber(v, floor) || floor < 0) return UsageError("--impedance-floor takes ohms, 0 or more");
        } else if (a == "--phase-weight") {
            if (!ParseNumber(v, phaseWeight) || phaseWeight < 0) return UsageError("--phase-weight takes 0 or more");
        } else {
            return UsageError("unknown option " + a);
        }
    }
    if (positional.size() != 1) return UsageError("needs one DESIGN.bkt");
    if (vary.empty()) return UsageError("needs --vary with the variables to change");
    if (out.empty()) return UsageError("needs --out OUT.bkt");
    std::vector<TDriverTargetText> driverTexts;
    for (const std::string& t : driverTargets) {
        TDriverTargetText text;
        if (!ParseDriverTarget(t, text)) return UsageError("--driver-target takes DRIVER:SHAPE:HZ[:DB], not " + t);
        driverTexts.push_back(text);
    }

    StderrMessageSink messages;
    TDesign d;
    if (!OpenDesignFile(d, positional[0], messages)) return ExitFailure;

    TObjectiveSettings settings;
    settings.BandLow = bandLow;
    settings.BandHigh = bandHigh;
    settings.ImpedanceFloor = floor;
    settings.PhaseWeight = phaseWeight;
    settings.Sum.LevelDb = level;
    if (SameTextIgnoringCase(target, "flat")) {
        settings.Sum.Kind = TSumTargetKind::Flat;
    } else if (SameTextIgnoringCase(target, "none")) {
        settings.Sum.Kind = TSumTargetKind::None;
    } else {
        settings.Sum.Kind = TSumTargetKind::Curve;
        if (!ReadTargetCurve(target, d.Grid, settings.Sum, messages)) return ExitFailure;
    }
    for (const TDriverTargetText& t : driverTexts) {
        std::string why;
        if (!AddDriverTarget(d, t, settings.DriverTargets, why)) {
            std::cerr << "pelmo-cli optimize: " << why << "\n";
            return ExitFailure;
        }
    }
    if (settings.Sum.Kind == TSumTargetKind::None && settings.DriverTargets.empty())
        return UsageError("--target none needs a --driver-target");

    std::vector<TOptimizeVariable> variables;
    for (const std::string& name : vary) {
        const auto v = FindOfferedVariable(d, name);
        if (!v) {
            std::cerr << "pelmo-cli optimize: \"" << name << "\" is no variable of this design; it offers:";
            for (const TOptimizeVariable& o : OfferedVariables(d)) std::cerr << " " << o.Name;
            std::cerr << "\n";
            return ExitFailure;
        }
        for (const TOptimizeVariable& known : variables)
            if (known.Name == v->Name) return UsageError(name + " is named twice in --vary");
        variables.push_back(*v);
    }
    for (const std::string& b : bounds) {
        const auto parts = Split(b, ':');
        double lo = 0, hi = 0;
        // The name may hold a colon itself (S1:level).
        if (parts.size() < 3 || !ParseNumber(parts[parts.size() - 2], lo) || !ParseNumber(parts.back(), hi) ||
            !(hi > lo))
            return UsageError("--bounds takes NAME:LOW:HIGH with LOW below HIGH, not " + b);
        std::string name = parts[0];
        for (std::size_t i = 1; i + 2 < parts.size(); ++i) name += ":" + parts[i];
        TOptimizeVariable* v = nullptr;
        for (TOptimizeVariable& e : variables)
            if (SameTextIgnoringCase(e.Name, name)) v = &e;
        if (!v) return UsageError("--bounds names " + name + ", which --vary does not");
        if (v->Log && !(lo > 0)) return UsageError("the bounds of " + name + " must be above 0");
        v->Lower = lo;
        v->Upper = hi;
    }

    TCollectedMessages evaluationMessages;
    TOptimizeOutcome outcome;
    try {
        TObjective objective(d, settings, variables, evaluationMessages);
        TOptimizeSettings search;
        search.MaxEvaluations = maxEvals;
        search.Snap = snap;
        outcome = RunOptimizer(objective, search);
    } catch (const std::exception& e) {
        outcome.Failure = e.what();
    }
    for (const std::string& m : evaluationMessages.Texts) messages.ShowMessage(m);
    if (!outcome.Failure.empty()) {
        std::cerr << "pelmo-cli optimize: " << outcome.Failure << "\n";
        return ExitFailure;
    }

    std::cout << "objective before\t" << FormatGeneral(outcome.Start.Total, 6) << "\n";
    std::cout << "objective after\t" << FormatGeneral(outcome.Best.Total, 6) << "\n";
    std::cout << "evaluations\t" << outcome.Evaluations << "\n";
    for (std::size_t i = 0; i < variables.size(); ++i) {
        const TOptimizeVariable& v = variables[i];
        const double before = outcome.StartValues[i], after = outcome.BestValues[i];
        std::cout << v.Name << '\t' << FormatGeneral(before, 6) << '\t' << FormatGeneral(after, 6) << '\t'
                  << FormatVariableValue(v, before) << " -> " << FormatVariableValue(v, after) << "\n";
        SetVariableValue(d, v, after);
    }
    // Block members take the values of the new variables before they are written.
    try {
        EvaluateBlocks(d, messages);
    } catch (const std::exception& e) {
        std::cerr << "pelmo-cli optimize: " << e.what() << "\n";
        return ExitFailure;
    }
    if (!SaveDesignFile(d, out, messages)) return ExitFailure;
    return ExitOk;
}

CommandRegistration reg("optimize", &Optimize);

}  // namespace

}  // namespace pelmo::cli
