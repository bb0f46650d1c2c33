#include "optimize/OptimizeObjective.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/Sweep.h"
#include "graphs/GraphSolve.h"
#include "model/AnalysisGrid.h"
#include "optimize/SolveCopy.h"

namespace pelmo {

namespace {

// What an unsolvable design scores: far worse than any real error.
constexpr double Unsolved = 1e6;
// Driver targets: the pass band, where a fitted level is taken from, and the
// depth below which stop-band errors no longer count.
constexpr double PassBandDb = -20.0;
constexpr double StopBandFloorDb = -40.0;
// Degrees of phase difference that weigh as 1 dB of level error.
constexpr double PhaseDegreesPerDb = 30.0;

bool ValidDriver(int i, const TSolveResult& r) {
    return i >= 0 && static_cast<std::size_t>(i) < r.DriverContribution.size() &&
           !r.DriverContribution[static_cast<std::size_t>(i)].Mag.empty();
}

// The grid index whose frequency is nearest to f on a log scale.
std::size_t NearestGridIndex(const DataArray& grid, double f) {
    std::size_t best = 0;
    double distance = 1e300;
    for (std::size_t k = 0; k < grid.size(); ++k) {
        const double d = std::fabs(std::log(grid[k] / f));
        if (d < distance) {
            distance = d;
            best = k;
        }
    }
    return best;
}

}  // namespace

double LevelDb(double magnitude) { return magnitude > 1e-10 ? 20.0 * std::log10(magnitude) : -200.0; }

TObjective::TObjective(const TDesign& d, TObjectiveSettings settings, std::vector<TOptimizeVariable> variables,
                       MessageSink& messages)
    : settings_(std::move(settings)), variables_(std::move(variables)), messages_(messages) {
    CopySolveDesign(d, design_);
    EnsureAnalysisGrid(design_);
    for (const TOptimizeVariable& v : variables_) start_.push_back(VariableValue(design_, v));
    for (std::size_t k = 0; k < design_.Grid.size(); ++k)
        if (design_.Grid[k] >= settings_.BandLow && design_.Grid[k] <= settings_.BandHigh) band_.push_back(k);
    for (const TDriverTarget& t : settings_.DriverTargets) {
        DataArray shape;
        for (std::size_t k : band_) shape.push_back(DriverTargetShapeDb(t, design_.Grid[k]));
        driverShapes_.push_back(std::move(shape));
    }
    if (settings_.ImpedanceFloor > 0) {
        // The system curve of an impedance window: the input impedance at
        // every solved frequency.
        TSeriesDef& z = impedance_.Curves.emplace_back();
        z.ShowPhase = false;
    }
    FindTargetCrossovers();
}

void TObjective::FindTargetCrossovers() {
    const auto& targets = settings_.DriverTargets;
    for (const TDriverTarget& a : targets) {
        if (!a.LowPass) continue;
        const TDriverTarget* best = nullptr;
        double distance = 1.0;  // octaves: corners further apart are no crossover
        for (const TDriverTarget& b : targets) {
            if (!b.HighPass || b.Driver == a.Driver) continue;
            const double octaves = std::fabs(std::log2(b.HighPass->Corner / a.LowPass->Corner));
            if (octaves <= distance) {
                distance = octaves;
                best = &b;
            }
        }
        if (best)
            targetCrossovers_.push_back(
                {a.Driver, best->Driver, std::sqrt(a.LowPass->Corner * best->HighPass->Corner)});
    }
}

TObjectiveTerms TObjective::Evaluate(const std::vector<double>& values) {
    for (std::size_t i = 0; i < variables_.size() && i < values.size(); ++i)
        SetVariableValue(design_, variables_[i], values[i]);
    ++evaluations_;
    SolveCircuit(design_, TSolveOptions{}, ctx_, result_, messages_);
    const TChartCurve* z = nullptr;
    if (result_.Solved && !impedance_.Curves.empty()) {
        FillCurve({design_, result_, work_, messages_}, impedance_, 0);
        z = &impedance_.Curves[0].MagSeries;
    }
    return Score(result_, z, values);
}

double TObjective::ResponseSquares(const TSolveResult& r, double& weightSum, TObjectiveTerms& terms) const {
    double squares = 0.0;
    weightSum = 0.0;
    const TSumTarget& sum = settings_.Sum;
    if (sum.Kind != TSumTargetKind::None && sum.Weight > 0) {
        // Error before the level: response minus the target's shape.
        double mean = 0.0;
        std::size_t n = 0;
        std::vector<double> e;
        e.reserve(band_.size());
        for (std::size_t k : band_) {
            double shape = 0.0;
            if (sum.Kind == TSumTargetKind::Curve) {
                if (k >= sum.CurveCovers.size() || !sum.CurveCovers[k]) continue;
                shape = sum.CurveDb[k];
            }
            e.push_back(LevelDb(r.System.Mag[k]) - shape);
            mean += e.back();
            ++n;
        }
        if (n > 0) {
            mean /= static_cast<double>(n);
            double level = mean;
            if (sum.LevelDb) level = sum.Kind == TSumTargetKind::Flat ? *sum.LevelDb : 0.0;
            terms.SumLevel = level;
            for (double x : e) squares += sum.Weight * (x - level) * (x - level);
            weightSum += sum.Weight * static_cast<double>(n);
        }
    }
    terms.DriverLevels.assign(settings_.DriverTargets.size(), 0.0);
    for (std::size_t t = 0; t < settings_.DriverTargets.size(); ++t) {
        const TDriverTarget& target = settings_.DriverTargets[t];
        if (target.LevelDb) terms.DriverLevels[t] = *target.LevelDb;
        if (!ValidDriver(target.Driver, r) || band_.empty()) continue;
        const DataArray& mag = r.DriverContribution[static_cast<std::size_t>(target.Driver)].Mag;
        const DataArray& shape = driverShapes_[t];
        double level = 0.0;
        if (target.LevelDb) {
            level = *target.LevelDb;
        } else {
            // The pass band's level; all points when the band has no pass band.
            double s = 0.0, all = 0.0;
            std::size_t n = 0;
            for (std::size_t i = 0; i < band_.size(); ++i) {
                const double d = LevelDb(mag[band_[i]]) - shape[i];
                all += d;
                if (shape[i] >= PassBandDb) {
                    s += d;
                    ++n;
                }
            }
            level = n > 0 ? s / static_cast<double>(n) : all / static_cast<double>(band_.size());
        }
        terms.DriverLevels[t] = level;
        if (!(target.Weight > 0)) continue;
        for (std::size_t i = 0; i < band_.size(); ++i) {
            const double got = std::max(LevelDb(mag[band_[i]]) - level, StopBandFloorDb);
            const double want = std::max(shape[i], StopBandFloorDb);
            squares += target.Weight * (got - want) * (got - want);
        }
        weightSum += target.Weight * static_cast<double>(band_.size());
    }
    return squares;
}

double TObjective::PhaseTerm(const TSolveResult& r) {
    crossovers_.clear();
    if (!targetCrossovers_.empty()) {
        for (const TCrossoverPair& p : targetCrossovers_)
            if (ValidDriver(p.Lower, r) && ValidDriver(p.Upper, r)) crossovers_.push_back(p);
    } else {
        // Neighbours by where each driver's output lies (its centre on a log
        // frequency scale); they cross where their levels meet.
        std::vector<std::pair<double, int>> centres;
        for (std::size_t i = 0; i < r.DriverContribution.size(); ++i) {
            if (r.DriverContribution[i].Mag.empty()) continue;
            double w = 0.0, c = 0.0;
            for (std::size_t k : band_) {
                const double m2 = r.DriverContribution[i].Mag[k] * r.DriverContribution[i].Mag[k];
                w += m2;
                c += m2 * std::log(design_.Grid[k]);
            }
            if (w > 0) centres.push_back({c / w, static_cast<int>(i)});
        }
        std::sort(centres.begin(), centres.end());
        for (std::size_t j = 0; j + 1 < centres.size(); ++j) {
            const DataArray& a = r.DriverContribution[static_cast<std::size_t>(centres[j].second)].Mag;
            const DataArray& b = r.DriverContribution[static_cast<std::size_t>(centres[j + 1].second)].Mag;
            const double middle = 0.5 * (centres[j].first + centres[j + 1].first);
            double bestDistance = 1e300;
            std::size_t best = 0;
            for (std::size_t i = 0; i + 1 < band_.size(); ++i) {
                const std::size_t k = band_[i], k1 = band_[i + 1];
                if (a[k] >= b[k] && a[k1] < b[k1]) {
                    const double distance = std::fabs(std::log(design_.Grid[k]) - middle);
                    if (distance < bestDistance) {
                        bestDistance = distance;
                        best = k;
                    }
                }
            }
            if (bestDistance < 1e300)
                crossovers_.push_back({centres[j].second, centres[j + 1].second, design_.Grid[best]});
        }
    }
    if (crossovers_.empty()) return 0.0;
    double squares = 0.0;
    for (const TCrossoverPair& p : crossovers_) {
        const std::size_t k = NearestGridIndex(design_.Grid, p.Frequency);
        const double diff = std::remainder(r.DriverContribution[static_cast<std::size_t>(p.Lower)].Phase[k] -
                                               r.DriverContribution[static_cast<std::size_t>(p.Upper)].Phase[k],
                                           360.0);
        squares += diff * diff;
    }
    return std::sqrt(squares / static_cast<double>(crossovers_.size())) / PhaseDegreesPerDb;
}

TObjectiveTerms TObjective::Score(const TSolveResult& r, const TChartCurve* impedance,
                                  const std::vector<double>& values) {
    TObjectiveTerms t;
    if (!r.Solved || r.System.Mag.size() != design_.Grid.size()) {
        t.Total = Unsolved;
        return t;
    }
    t.Solved = true;
    double weights = 0.0;
    const double squares = ResponseSquares(r, weights, t);
    if (weights > 0) t.ResponseRms = std::sqrt(squares / weights);

    if (settings_.ImpedanceFloor > 0 && impedance) {
        double s = 0.0;
        std::size_t n = 0;
        for (std::size_t i = 0; i < impedance->Count(); ++i) {
            const double f = impedance->X[i];
            if (f < settings_.BandLow || f > settings_.BandHigh) continue;
            const double z = impedance->Y[i];
            const double below = z > 0 ? std::max(0.0, 20.0 * std::log10(settings_.ImpedanceFloor / z)) : 200.0;
            s += below * below;
            ++n;
        }
        if (n > 0) t.Impedance = settings_.ImpedanceWeight * std::sqrt(s / static_cast<double>(n));
    }

    double outside = 0.0;
    for (std::size_t i = 0; i < variables_.size() && i < values.size(); ++i) {
        const double o = OutsideBounds(variables_[i], values[i]);
        outside += o * o;
    }
    t.Bounds = settings_.BoundsWeight * outside;

    if (settings_.PhaseWeight > 0) t.Phase = settings_.PhaseWeight * PhaseTerm(r);

    t.Total = t.ResponseRms + t.Impedance + t.Bounds + t.Phase;
    if (!std::isfinite(t.Total)) t.Total = Unsolved;
    return t;
}

std::vector<TTargetCurve> TargetCurves(const TObjectiveSettings& s, const TObjectiveTerms& t, const TDesign& d) {
    std::vector<TTargetCurve> out;
    const DataArray& grid = d.Grid;
    const TSumTarget& sum = s.Sum;
    if (sum.Kind != TSumTargetKind::None) {
        TTargetCurve c;
        c.Name = "Target";
        for (std::size_t k = 0; k < grid.size(); ++k) {
            if (grid[k] < s.BandLow || grid[k] > s.BandHigh) continue;
            if (sum.Kind == TSumTargetKind::Flat) {
                c.Points.Add(grid[k], t.SumLevel);
            } else if (k < sum.CurveCovers.size() && sum.CurveCovers[k]) {
                c.Points.Add(grid[k], sum.CurveDb[k] + t.SumLevel);
            }
        }
        out.push_back(std::move(c));
    }
    for (std::size_t i = 0; i < s.DriverTargets.size(); ++i) {
        const TDriverTarget& target = s.DriverTargets[i];
        if (target.Driver < 0 || static_cast<std::size_t>(target.Driver) >= d.Drivers.size()) continue;
        TTargetCurve c;
        c.Name = "Target " + DriverDesignator(*d.Drivers[static_cast<std::size_t>(target.Driver)]);
        c.Driver = target.Driver;
        const double level = i < t.DriverLevels.size() ? t.DriverLevels[i] : target.LevelDb.value_or(0.0);
        for (double f : grid) {
            if (f < s.BandLow || f > s.BandHigh) continue;
            const double shape = DriverTargetShapeDb(target, f);
            if (shape >= StopBandFloorDb) c.Points.Add(f, level + shape);
        }
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace pelmo
