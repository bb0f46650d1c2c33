#include "graphs/GraphSolve.h"

#include "base/WorkerPool.h"
#include "blocks/CircuitBlocks.h"
#include "engine/Sweep.h"
#include "graphs/GraphCurves.h"
#include "graphs/GraphKinds.h"
#include "graphs/GraphRecord.h"
#include "model/Design.h"

namespace pelmo {

namespace {

// Impulse and step curves each take a transform: they are worked out on the
// calling thread (a resampling that fails shows its message there) while
// the others are worked out beside them.
bool Transforms(TGraphKind kind) { return GraphKindDescriptor(kind).Transform; }

bool AsksForLookback(const TGraphList& graphs) {
    for (const TGraphRecord* g : graphs.Windows)
        for (const TSeriesDef& c : g->Curves)
            if (c.Subject.Kind == TSubjectKind::Lookback) return true;
    return false;
}

struct TFillJob {
    const TDesign* Design;
    const TSolveResult* Result;
    TGraphList* Graphs;
    std::array<TCurveWork, 2>* Work;
    MessageSink* Messages;
    TDirectivityCache* Directivity;
};

void FillPart(void* context, int part, int parts) {
    const TFillJob& j = *static_cast<const TFillJob*>(context);
    const bool transforms = part == 0;
    if (!transforms && part != 1) return;
    TCurveWork& work = (*j.Work)[transforms ? 0 : 1];
    // The directional windows use the cache, which only one thread may: they
    // are never transforms, so only this part touches it.
    const TCurveSource source{*j.Design, *j.Result, work, *j.Messages, j.Directivity};
    for (TGraphRecord* g : j.Graphs->Windows) {
        // With one part it does everything.
        if (parts > 1 && Transforms(g->Kind) != transforms) continue;
        // A set of curves is filled at once.
        if (GraphKindDescriptor(g->Kind).CurveSet) {
            if (!g->Curves.empty()) FillCurve(source, *g, 0);
            continue;
        }
        for (std::size_t i = 0; i < g->Curves.size(); ++i) FillCurve(source, *g, i);
    }
}

struct RunningGuard {
    explicit RunningGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningGuard() { flag_ = false; }
    bool& flag_;
};

}  // namespace

void FillCurve(const TCurveSource& source, TGraphRecord& g, std::size_t curve) {
    GraphKindDescriptor(g.Kind).Points(source, g, g.Curves[curve]);
}

void FillCurves(const TDesign& d, const TSolveResult& result, TGraphList& graphs, std::array<TCurveWork, 2>& work,
                MessageSink& messages, TDirectivityCache* directivity) {
    for (TCurveWork& w : work) w.DoneCount = 0;
    TFillJob job{&d, &result, &graphs, &work, &messages, directivity};
    TWorkerPool::Shared().Run(FillPart, &job);
}

void SolveGraphs(TDesign& d, TGraphList& graphs, TGraphSolve& solve, MessageSink& messages) {
    if (solve.Running) return;
    RunningGuard running(solve.Running);
    RebindCurveElements(graphs, d);
    TSolveOptions options;
    options.Lookback = AsksForLookback(graphs);
    TSolveResult& result = solve.Result;
    try {
        SolveCircuit(d, options, solve.Context, result, messages);
    } catch (...) {
        ApplyBlockValues(d, result.Blocks);
        throw;
    }
    if (!result.Solved) return;
    // The sheet shows the values the solve used.
    ApplyBlockValues(d, result.Blocks);
    FillCurves(d, result, graphs, solve.Work, messages, &solve.Context.Directivity);
}

}  // namespace pelmo
