#pragma once

#include <array>

#include "engine/SolveContext.h"
#include "engine/SolveResult.h"
#include "graphs/CurvePoints.h"

// The solve of a design for its graph windows: the design solved, the
// circuit blocks' values written into it (the sheet shows them), and every
// window's curves filled from the result.

namespace pelmo {

struct TDesign;
struct TGraphList;
struct TGraphRecord;
class MessageSink;

// What the solve of a graph list keeps from one run to the next, so that a
// solve does not allocate again.
struct TGraphSolve {
    TSolveContext Context;
    TSolveResult Result;
    // Scratch of the curves worked out on the calling thread (the time
    // responses) and of those worked out beside them.
    std::array<TCurveWork, 2> Work;
    bool Running = false;
};

// Curves bound to their elements by name (curves whose element is gone are
// dropped), the design solved (with the lookback solve when a curve asks for
// it), the blocks' values written and the points of every curve filled. A
// design that is not solved (block design mode) leaves every curve as it
// was; one without parts and drivers empties them. An error in a circuit
// block's expression ends the solve with the evaluator's exception before
// any curve changed (the blocks evaluated before it take their values).
// Nothing happens while a solve runs.
void SolveGraphs(TDesign& d, TGraphList& graphs, TGraphSolve& solve, MessageSink& messages);

// Every curve of the windows filled from a solve's result, the time
// responses on this thread and the others beside them; the directional
// windows from `directivity` (without it their curves stay empty).
void FillCurves(const TDesign& d, const TSolveResult& result, TGraphList& graphs, std::array<TCurveWork, 2>& work,
                MessageSink& messages, TDirectivityCache* directivity = nullptr);

// The points of one curve of window g from a result (its kind's function;
// in a window showing a set of curves, the whole set).
void FillCurve(const TCurveSource& source, TGraphRecord& g, std::size_t curve);

}  // namespace pelmo
