#include "tolerance/ToleranceAnalysis.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "base/WorkerPool.h"
#include "engine/SolveContext.h"
#include "engine/SolveResult.h"
#include "engine/Sweep.h"
#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "optimize/SolveCopy.h"
#include "tolerance/ToleranceRandom.h"

namespace pelmo {

namespace {

// A value never goes below this fraction of itself (a normal draw far out).
constexpr double SmallestFactor = 0.001;

// What one thread of the pool solves its runs with: its copy of the design,
// and one graph record per curve of the analysis, which each run fills.
struct TRunWorker {
    TDesign Design;
    TSolveContext Context;
    TSolveResult Result;
    std::vector<TGraphRecord> Windows;
    TCurveWork Work;
    SilentMessageSink Silent;
};

struct TCurveValues {
    std::size_t Points = 0;
    DataArray X;
    DataArray Nominal;
    // Per point the value of every run: point k, run r at k * runs + r.
    DataArray Values;
};

struct TRunJob {
    const TToleranceSettings* Settings = nullptr;
    const std::vector<TGraphRecord>* Windows = nullptr;
    std::vector<std::unique_ptr<TRunWorker>>* Workers = nullptr;
    const std::vector<double>* PartValues = nullptr;
    const std::vector<double>* PartTolerances = nullptr;
    const std::vector<double>* DriverGains = nullptr;
    std::vector<TCurveValues>* Curves = nullptr;
    std::vector<char>* RunOk = nullptr;
    const std::atomic<bool>* Cancel = nullptr;
    std::atomic<int> Next{0};
    std::atomic<bool> Stopped{false};
};

// Solves the worker's design and fills its curves; false when the design
// could not be solved.
bool SolveCurves(TRunWorker& w, MessageSink& messages) {
    SolveCircuit(w.Design, TSolveOptions{}, w.Context, w.Result, messages);
    if (!w.Result.Solved) return false;
    const TCurveSource source{w.Design, w.Result, w.Work, messages};
    for (TGraphRecord& g : w.Windows) FillCurve(source, g, 0);
    return true;
}

const TChartCurve* CurveOf(const TRunWorker& w, std::size_t i) {
    if (i >= w.Windows.size() || w.Windows[i].Curves.empty()) return nullptr;
    return &w.Windows[i].Curves[0].MagSeries;
}

void SetPartValue(TPart& p, double v) {
    if (IsBound(p))
        p.BoundValue = v;
    else
        p.Value = v;
}

void SolveRun(TRunJob& job, TRunWorker& w, int run) {
    const TToleranceSettings& s = *job.Settings;
    TToleranceRandom random(s.Seed, static_cast<std::uint64_t>(run));
    TDesign& d = w.Design;
    for (std::size_t i = 0; i < d.Parts.size(); ++i) {
        const double draw = ToleranceDraw(random, s.Distribution);
        const double t = (*job.PartTolerances)[i];
        SetPartValue(*d.Parts[i], (*job.PartValues)[i] * std::max(SmallestFactor, 1.0 + t * draw));
    }
    for (std::size_t i = 0; i < d.Drivers.size(); ++i) {
        const double draw = ToleranceDraw(random, s.Distribution);
        d.Drivers[i]->Gain = (*job.DriverGains)[i] * DbToLin(s.DriverDb * draw);
    }
    if (w.Windows.empty()) w.Windows = *job.Windows;
    const auto runs = static_cast<std::size_t>(s.Runs);
    const auto r = static_cast<std::size_t>(run);
    bool ok = SolveCurves(w, w.Silent);
    for (std::size_t c = 0; ok && c < job.Curves->size(); ++c) {
        const TChartCurve* curve = CurveOf(w, c);
        ok = curve && curve->Count() == (*job.Curves)[c].Points;
        for (std::size_t k = 0; ok && k < curve->Count(); ++k) ok = !std::isnan(curve->Y[k]);
    }
    (*job.RunOk)[r] = ok ? 1 : 0;
    if (!ok) return;
    for (std::size_t c = 0; c < job.Curves->size(); ++c) {
        TCurveValues& values = (*job.Curves)[c];
        const TChartCurve& curve = *CurveOf(w, c);
        for (std::size_t k = 0; k < values.Points; ++k) values.Values[k * runs + r] = curve.Y[k];
    }
}

void RunPart(void* context, int part, int /*parts*/) {
    TRunJob& job = *static_cast<TRunJob*>(context);
    TRunWorker& w = *(*job.Workers)[static_cast<std::size_t>(part)];
    for (;;) {
        if (job.Cancel && job.Cancel->load(std::memory_order_relaxed)) {
            job.Stopped = true;
            return;
        }
        const int run = job.Next.fetch_add(1, std::memory_order_relaxed);
        if (run >= job.Settings->Runs) return;
        SolveRun(job, w, run);
    }
}

}  // namespace

double PartTolerance(const TPart& p, double unrecorded) {
    if (!p.PartNumber.empty() && p.ChosenTolerance >= 0) return p.ChosenTolerance;
    if (p.SpecTolerance > 0) return p.SpecTolerance;
    return unrecorded;
}

double ToleranceDraw(TToleranceRandom& random, TToleranceDistribution distribution) {
    return distribution == TToleranceDistribution::Normal ? 0.5 * random.Normal() : random.Symmetric();
}

double SortedPercentile(const double* sorted, std::size_t n, double q) {
    if (n == 0) return 0.0;
    const double position = q * static_cast<double>(n - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    if (below + 1 >= n) return sorted[n - 1];
    const double f = position - static_cast<double>(below);
    // Equal neighbours give their value exactly.
    if (f == 0.0 || sorted[below] == sorted[below + 1]) return sorted[below];
    return sorted[below] + f * (sorted[below + 1] - sorted[below]);
}

TToleranceOutcome RunToleranceAnalysis(const TDesign& d, const TToleranceSettings& settings, MessageSink& messages,
                                       const std::atomic<bool>* cancel) {
    TToleranceOutcome out;
    if (settings.Runs < 1 || settings.Runs > MaxToleranceRuns) {
        out.Failure = "the number of runs must be from 1 to " + std::to_string(MaxToleranceRuns);
        return out;
    }
    std::vector<TToleranceCurve> curves = settings.Curves;
    if (curves.empty()) curves.push_back({});
    for (const TToleranceCurve& c : curves)
        if (c.Kind == TToleranceCurveKind::Spl && c.Driver >= 0 &&
            static_cast<std::size_t>(c.Driver) >= d.Drivers.size()) {
            out.Failure = "the design has no driver " + std::to_string(c.Driver + 1);
            return out;
        }

    // One window per curve: the input impedance, or the SPL of the sum or of
    // one driver.
    std::vector<TGraphRecord> windows;
    for (const TToleranceCurve& c : curves) {
        TGraphRecord& w =
            windows.emplace_back(c.Kind == TToleranceCurveKind::Impedance ? TGraphKind::Impedance : TGraphKind::SPL);
        TSeriesDef& r = w.Curves.emplace_back();
        r.ShowPhase = false;
        r.Smoothing = 0.0;
        if (c.Kind != TToleranceCurveKind::Impedance) {
            r.Smoothing = c.Smoothing;
            if (c.Driver >= 0) {
                r.Subject =
                    TCurveSubject::OfDriver(TSubjectKind::Driver, *d.Drivers[static_cast<std::size_t>(c.Driver)]);
                r.Element = c.Driver;
            }
        }
    }

    TWorkerPool& pool = TWorkerPool::Shared();
    std::vector<std::unique_ptr<TRunWorker>> workers;
    std::vector<TCurveValues> values(curves.size());
    std::vector<double> partValues, partTolerances, driverGains;
    bool nominalSolved = false;
    try {
        // The first copy with its blocks evaluated once, and the nominal solve.
        workers.push_back(std::make_unique<TRunWorker>());
        TDesign& first = workers[0]->Design;
        CopySolveDesign(d, first);
        EnsureAnalysisGrid(first);
        FreezeBlocks(first, messages);
        workers[0]->Windows = windows;
        nominalSolved = SolveCurves(*workers[0], messages);
    } catch (const std::exception& e) {
        out.Failure = e.what();
        return out;
    }
    for (std::size_t c = 0; c < curves.size(); ++c) {
        const TChartCurve* curve = nominalSolved ? CurveOf(*workers[0], c) : nullptr;
        if (!curve || curve->Empty()) {
            out.Failure = "the design could not be solved";
            return out;
        }
        values[c].Points = curve->Count();
        values[c].X = curve->X;
        values[c].Nominal = curve->Y;
        values[c].Values.assign(curve->Count() * static_cast<std::size_t>(settings.Runs), 0.0);
    }
    const TDesign& first = workers[0]->Design;
    for (const auto& p : first.Parts) {
        partValues.push_back(PartValue(*p));
        partTolerances.push_back(PartTolerance(*p, settings.UnrecordedTolerance));
    }
    for (const auto& drv : first.Drivers) driverGains.push_back(drv->Gain);
    while (workers.size() < static_cast<std::size_t>(pool.Parts())) {
        workers.push_back(std::make_unique<TRunWorker>());
        CopySolveDesign(first, workers.back()->Design);
    }

    std::vector<char> runOk(static_cast<std::size_t>(settings.Runs), 0);
    TRunJob job;
    job.Windows = &windows;
    job.Workers = &workers;
    job.PartValues = &partValues;
    job.PartTolerances = &partTolerances;
    job.DriverGains = &driverGains;
    job.Curves = &values;
    job.RunOk = &runOk;
    job.Cancel = cancel;
    TToleranceSettings runSettings = settings;
    runSettings.Curves = curves;
    job.Settings = &runSettings;
    try {
        pool.Run(RunPart, &job);
    } catch (const std::exception& e) {
        out.Failure = e.what();
        return out;
    }
    if (job.Stopped) {
        out.Cancelled = true;
        out.Failure = "cancelled";
        return out;
    }

    std::vector<std::size_t> good;
    for (std::size_t r = 0; r < runOk.size(); ++r)
        if (runOk[r]) good.push_back(r);
    out.Runs = static_cast<int>(good.size());
    out.FailedRuns = settings.Runs - out.Runs;
    if (good.empty()) {
        out.Failure = "no run could be solved";
        return out;
    }
    const auto runs = static_cast<std::size_t>(settings.Runs);
    for (std::size_t c = 0; c < curves.size(); ++c) {
        const TCurveValues& v = values[c];
        TToleranceBand band;
        band.Curve = curves[c];
        band.Frequency = v.X;
        band.Nominal = v.Nominal;
        for (DataArray* a : {&band.P5, &band.P50, &band.P95, &band.Min, &band.Max}) a->assign(v.Points, 0.0);
        pool.ForRanges(v.Points, 16, [&](std::size_t begin, std::size_t end) {
            std::vector<double> sorted(good.size());
            for (std::size_t k = begin; k < end; ++k) {
                for (std::size_t i = 0; i < good.size(); ++i) sorted[i] = v.Values[k * runs + good[i]];
                std::sort(sorted.begin(), sorted.end());
                const std::size_t n = sorted.size();
                band.Min[k] = sorted.front();
                band.Max[k] = sorted.back();
                band.P5[k] = SortedPercentile(sorted.data(), n, 0.05);
                band.P50[k] = SortedPercentile(sorted.data(), n, 0.50);
                band.P95[k] = SortedPercentile(sorted.data(), n, 0.95);
            }
        });
        out.Bands.push_back(std::move(band));
    }
    out.Ok = true;
    return out;
}

}  // namespace pelmo
