#include "graphs/GraphSolve.h"

#include <algorithm>
#include <utility>

#include "engine/Sweep.h"
#include "graphs/GraphCurves.h"
#include "graphs/GraphRecord.h"

namespace pelmo {

void BuildSolveRequest(const TGraphList& graphs, TSolveRequest& request) {
    request.Clear();
    for (const TGraphRecord* g : graphs.Windows) {
        TWindowRequest& w = request.AddWindow();
        w.Kind = g->Kind;
        w.TestFrequency = g->TestFrequency;
        w.ResponseScale = g->ResponseScale;
        w.AutoScalePending = g->AutoScalePending;
        for (const TSeriesDef& c : g->Curves) w.Curves.push_back({c.Subject, c.Element, c.ShowPhase, c.Smoothing});
    }
}

void TakeCurvePoints(TGraphList& graphs, const TSolveRequest& request, TSolveResult& result) {
    const std::size_t windows = std::min({graphs.Windows.size(), request.WindowCount, result.Windows.size()});
    for (std::size_t w = 0; w < windows; ++w) {
        TGraphRecord& g = *graphs.Windows[w];
        TWindowPoints& points = result.Windows[w];
        g.ResponseScale = points.ResponseScale;
        g.AutoScalePending = points.AutoScalePending;
        const std::size_t curves = std::min(g.Curves.size(), points.Curves.size());
        for (std::size_t i = 0; i < curves; ++i) {
            TSeriesDef& c = g.Curves[i];
            TCurvePoints& p = points.Curves[i];
            std::swap(c.MagSeries.X, p.Mag.X);
            std::swap(c.MagSeries.Y, p.Mag.Y);
            std::swap(c.PhaseSeries.X, p.Phase.X);
            std::swap(c.PhaseSeries.Y, p.Phase.Y);
            // Time responses are drawn with thin lines.
            if ((g.Kind == TGraphKind::Impulse || g.Kind == TGraphKind::Step) && !c.MagSeries.Empty())
                c.MagSeries.LineWidth = 1;
        }
    }
}

void SolveGraphs(TDesign& d, TGraphList& graphs, TGraphSolve& solve, MessageSink& messages) {
    if (solve.Context.Running) return;
    RebindCurveElements(graphs, d);
    BuildSolveRequest(graphs, solve.Request);
    SolveCircuit(d, solve.Request, solve.Context, solve.Result, messages);
    if (solve.Result.Solved) TakeCurvePoints(graphs, solve.Request, solve.Result);
}

}  // namespace pelmo
