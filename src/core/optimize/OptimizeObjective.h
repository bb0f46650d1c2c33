#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/SolveContext.h"
#include "engine/SolveResult.h"
#include "graphs/CurvePoints.h"
#include "graphs/GraphRecord.h"
#include "model/Design.h"
#include "optimize/OptimizeTargets.h"
#include "optimize/OptimizeVariables.h"

// The number the optimizer makes small: the weighted RMS of the dB error
// against the targets on the grid points inside the band, plus penalties for
// an impedance below a floor and for values outside their bounds, plus an
// optional term for the phase difference of neighbouring drivers at their
// crossover. Every evaluation is a real solve of a private copy of the
// design that asks for no graph curves (only the input impedance when the
// floor is set).

namespace pelmo {

class MessageSink;

struct TObjectiveSettings {
    double BandLow = 200.0;  // Hz
    double BandHigh = 15000.0;
    TSumTarget Sum;  // Kind None: no summed target
    std::vector<TDriverTarget> DriverTargets;
    // Penalty for the input impedance below this many ohms (0: none): the
    // RMS over the band of the dB below the floor, times the weight.
    double ImpedanceFloor = 0.0;
    double ImpedanceWeight = 1.0;
    // Penalty for values outside their bounds: the sum of squares of the
    // distance outside (octaves, or bound widths), times the weight.
    double BoundsWeight = 10.0;
    // Phase alignment: the RMS phase difference of neighbouring drivers at
    // their crossovers, per 30 degrees, times the weight (0: not counted).
    double PhaseWeight = 0.0;
};

struct TObjectiveTerms {
    bool Solved = false;  // false: the design could not be solved (Total is huge)
    double Total = 0.0;
    double ResponseRms = 0.0;  // dB
    double Impedance = 0.0;
    double Bounds = 0.0;
    double Phase = 0.0;
    double SumLevel = 0.0;  // the summed target's level, given or fitted (dB SPL)
    // Each driver target's pass-band level, given or fitted (dB SPL).
    std::vector<double> DriverLevels;
};

// A target drawn as a curve: dB SPL over the band's grid points.
struct TTargetCurve {
    std::string Name;  // "Target", "Target S1"
    int Driver = -1;   // the driver of a driver target
    TChartCurve Points;
};

// The targets at the levels of an evaluation (driver targets down to 40 dB
// below their level, where their errors stop counting).
std::vector<TTargetCurve> TargetCurves(const TObjectiveSettings& s, const TObjectiveTerms& t, const TDesign& d);

// Two drivers that meet at a crossover, for the phase term.
struct TCrossoverPair {
    int Lower = -1;  // driver playing below the crossover
    int Upper = -1;
    double Frequency = 0.0;
};

// The level in dB of a linear magnitude, floored at -200 dB (no output).
double LevelDb(double magnitude);

class TObjective {
public:
    // Takes a copy of the design; `messages` receives the messages of block
    // evaluation (called on the thread that evaluates).
    TObjective(const TDesign& d, TObjectiveSettings settings, std::vector<TOptimizeVariable> variables,
               MessageSink& messages);
    TObjective(const TObjective&) = delete;
    TObjective& operator=(const TObjective&) = delete;

    const TObjectiveSettings& Settings() const { return settings_; }
    const std::vector<TOptimizeVariable>& Variables() const { return variables_; }
    // The variables' values in the design as given.
    const std::vector<double>& StartValues() const { return start_; }
    const TDesign& Design() const { return design_; }

    // Writes the values (one per variable, in its unit) into the copy,
    // solves it and scores the result. An error of a circuit block's
    // expression propagates (the evaluator's exception).
    TObjectiveTerms Evaluate(const std::vector<double>& values);
    int Evaluations() const { return evaluations_; }
    const TSolveResult& LastResult() const { return result_; }

    // The crossovers the phase term looked at in the last evaluation.
    const std::vector<TCrossoverPair>& Crossovers() const { return crossovers_; }

    // Scores a solve result of the same design (the input impedance from
    // impedance, |Z| per grid frequency, empty when not wanted).
    TObjectiveTerms Score(const TSolveResult& result, const TChartCurve* impedance, const std::vector<double>& values);

private:
    double ResponseSquares(const TSolveResult& r, double& weightSum, TObjectiveTerms& t) const;
    double PhaseTerm(const TSolveResult& r);
    void FindTargetCrossovers();

    TDesign design_;
    TObjectiveSettings settings_;
    std::vector<TOptimizeVariable> variables_;
    std::vector<double> start_;
    MessageSink& messages_;
    std::vector<std::size_t> band_;  // grid indices inside the band
    std::vector<TCrossoverPair> targetCrossovers_;
    std::vector<TCrossoverPair> crossovers_;
    std::vector<DataArray> driverShapes_;  // per driver target, on the band's points
    TSolveContext ctx_;
    TSolveResult result_;
    TGraphRecord impedance_{TGraphKind::Impedance};  // with its System curve when the floor is set
    TCurveWork work_;
    int evaluations_ = 0;
};

}  // namespace pelmo
