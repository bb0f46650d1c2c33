#include "optimize/Optimizer.h"

#include <nlopt.h>

#include <algorithm>
#include <cmath>
#include <exception>

#include "model/Design.h"
#include "values/ESeries.h"
#include "values/ValueStepping.h"

namespace pelmo {

namespace {

// First step of a local search, and where it stops, on the [0, 1] scale.
constexpr double FirstStep = 0.2;
constexpr double StepTolerance = 1e-4;
// A restart that improves the best by less than this (relative) ends the
// restarts.
constexpr double RestartGain = 1e-3;
// Passes of the snapping search at most.
constexpr int SnapPasses = 8;

struct TSearch {
    TObjective& Objective;
    const TOptimizeSettings& Settings;
    const TOptimizeCallback& Progress;
    TOptimizeOutcome& Out;
    std::vector<double> Values;  // scratch, in the variables' units
    nlopt_opt Opt = nullptr;
    bool Stop = false;
    bool Snapping = false;
    std::exception_ptr Error;

    // Scores the values; keeps them when they are the best so far.
    double Score(const std::vector<double>& values) {
        const TObjectiveTerms t = Objective.Evaluate(values);
        ++Out.Evaluations;
        const bool improved = t.Total < Out.Best.Total;
        if (improved) {
            Out.Best = t;
            Out.BestValues = values;
        }
        if (Progress) {
            TOptimizeProgress p;
            p.Evaluations = Out.Evaluations;
            p.MaxEvaluations = Settings.MaxEvaluations;
            p.StartObjective = Out.Start.Total;
            p.BestObjective = Out.Best.Total;
            p.BestValues = &Out.BestValues;
            p.BestTerms = &Out.Best;
            p.Improved = improved;
            p.Snapping = Snapping;
            if (!Progress(p)) Stop = true;
        }
        return t.Total;
    }

    static double Function(unsigned n, const double* u, double*, void* data) {
        auto& s = *static_cast<TSearch*>(data);
        try {
            const auto& vars = s.Objective.Variables();
            for (unsigned i = 0; i < n; ++i) s.Values[i] = FromUnit(vars[i], u[i]);
            const double f = s.Score(s.Values);
            if (s.Stop) nlopt_force_stop(s.Opt);
            return f;
        } catch (...) {
            s.Error = std::current_exception();
            s.Stop = true;
            nlopt_force_stop(s.Opt);
            return HUGE_VAL;
        }
    }

    // One local search from the best point; false when it could not run.
    bool Local(nlopt_algorithm algorithm, double step, int budget) {
        const auto& vars = Objective.Variables();
        const unsigned n = static_cast<unsigned>(vars.size());
        Opt = nlopt_create(algorithm, n);
        if (!Opt) return false;
        std::vector<double> lower(n, 0.0), upper(n, 1.0), u(n);
        for (unsigned i = 0; i < n; ++i) u[i] = ToUnit(vars[i], Out.BestValues[i]);
        nlopt_set_lower_bounds(Opt, lower.data());
        nlopt_set_upper_bounds(Opt, upper.data());
        nlopt_set_min_objective(Opt, &TSearch::Function, this);
        nlopt_set_xtol_abs1(Opt, StepTolerance);
        nlopt_set_ftol_abs(Opt, 1e-7);
        nlopt_set_maxeval(Opt, std::max(budget, 1));
        nlopt_set_initial_step1(Opt, step);
        double f = 0.0;
        const nlopt_result r = nlopt_optimize(Opt, u.data(), &f);
        nlopt_destroy(Opt);
        Opt = nullptr;
        return r > 0 || r == NLOPT_FORCED_STOP || r == NLOPT_ROUNDOFF_LIMITED;
    }

    void Search() {
        const std::size_t n = Objective.Variables().size();
        // BOBYQA models the objective by a quadratic and needs two variables;
        // Subplex takes the restarts, where plateaus (values rounded by a
        // circuit block) would stall a model-based search.
        const nlopt_algorithm first = n >= 2 ? NLOPT_LN_BOBYQA : NLOPT_LN_SBPLX;
        double before = Out.Best.Total;
        for (int round = 0; round <= Settings.Restarts && !Stop; ++round) {
            const int budget = Settings.MaxEvaluations - Out.Evaluations;
            if (budget <= 0) break;
            // Each restart takes the full first step again: smaller ones stay
            // on the plateau the last search ended on.
            const nlopt_algorithm a = round % 2 == 0 ? first : NLOPT_LN_SBPLX;
            if (!Local(a, FirstStep, budget)) {
                if (round == 0 && Out.Failure.empty()) Out.Failure = "The search could not start (NLopt).";
                break;
            }
            if (round > 0 && before - Out.Best.Total <= RestartGain * std::max(before, 1e-9)) break;
            before = Out.Best.Total;
        }
    }

    void Snap() {
        Snapping = true;
        const auto& vars = Objective.Variables();
        const TDesign& d = Objective.Design();
        std::vector<double> x = Out.BestValues;
        std::vector<std::size_t> parts;
        for (std::size_t i = 0; i < vars.size(); ++i) {
            if (vars[i].Kind != TVariableKind::PartValue) continue;
            x[i] = SnapPartValue(x[i], vars[i], d);
            parts.push_back(i);
        }
        if (parts.empty()) return;
        // The snapped point is the result whether or not it scores better.
        Out.Best.Total = HUGE_VAL;
        Score(x);
        x = Out.BestValues;
        for (int pass = 0; pass < SnapPasses && !Stop; ++pass) {
            bool moved = false;
            for (std::size_t i : parts) {
                const TOptimizeVariable& v = vars[i];
                const auto mode = static_cast<TPartStepMode>(d.Parts[static_cast<std::size_t>(v.Element)]->StepMode);
                const TPartStepMode stepping = SeriesOfStepMode(mode) ? mode : smmPC5;
                for (bool up : {true, false}) {
                    if (Stop) break;
                    std::vector<double> y = x;
                    y[i] = StepPartValue(x[i], stepping, up);
                    if (y[i] == x[i] || y[i] < v.Lower || y[i] > v.Upper) continue;
                    const double before = Out.Best.Total;
                    Score(y);
                    if (Out.Best.Total < before) {
                        x = y;
                        moved = true;
                        break;
                    }
                }
            }
            if (!moved) break;
        }
        Out.Snapped = !Stop;
    }
};

}  // namespace

double SnapPartValue(double value, const TOptimizeVariable& v, const TDesign& d) {
    TPartStepMode mode = smmPC5;
    if (v.Element >= 0 && static_cast<std::size_t>(v.Element) < d.Parts.size()) {
        const auto own = static_cast<TPartStepMode>(d.Parts[static_cast<std::size_t>(v.Element)]->StepMode);
        if (SeriesOfStepMode(own)) mode = own;
    }
    const double r = RoundToESeries(value, *SeriesOfStepMode(mode));
    if (r < v.Lower) {
        const double up = StepPartValue(r, mode, true);
        return up <= v.Upper ? up : r;
    }
    if (r > v.Upper) {
        const double down = StepPartValue(r, mode, false);
        return down >= v.Lower ? down : r;
    }
    return r;
}

void TCollectedMessages::ShowMessage(const std::string& text) {
    if (std::find(Texts.begin(), Texts.end(), text) == Texts.end()) Texts.push_back(text);
}

TOptimizeOutcome RunOptimizer(TObjective& objective, const TOptimizeSettings& settings,
                              const TOptimizeCallback& progress) {
    TOptimizeOutcome out;
    out.StartValues = objective.StartValues();
    out.BestValues = out.StartValues;
    TSearch s{objective, settings, progress, out, out.StartValues, nullptr, false, false, nullptr};
    try {
        out.Start = objective.Evaluate(out.StartValues);
        ++out.Evaluations;
    } catch (const std::exception& e) {
        out.Failure = e.what();
        return out;
    }
    out.Best = out.Start;
    if (!out.Start.Solved) {
        out.Failure = "The design cannot be solved.";
        return out;
    }
    if (!objective.Variables().empty()) {
        s.Search();
        if (!s.Error && settings.Snap && !s.Stop) {
            try {
                s.Snap();
            } catch (...) {
                s.Error = std::current_exception();
            }
        }
    }
    if (s.Error) {
        try {
            std::rethrow_exception(s.Error);
        } catch (const std::exception& e) {
            out.Failure = e.what();
        } catch (...) {
            out.Failure = "The search ended by an error.";
        }
        out.BestValues = out.StartValues;
        out.Best = out.Start;
    }
    out.Cancelled = s.Stop && !s.Error;
    return out;
}

}  // namespace pelmo
