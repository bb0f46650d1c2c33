#pragma once

#include "engine/SolveContext.h"
#include "engine/SolveResult.h"

// The solve of a design for its graph windows: the windows' curves become
// the solve's requests, and the points come back into the windows' records.

namespace pelmo {

struct TDesign;
struct TGraphList;
class MessageSink;

// What the solve of a graph list keeps from one run to the next, so that a
// solve does not allocate again.
struct TGraphSolve {
    TSolveContext Context;
    TSolveRequest Request;
    TSolveResult Result;
};

// The request for the windows' curves, in window and curve order.
void BuildSolveRequest(const TGraphList& graphs, TSolveRequest& request);

// After a solve: every curve takes its points from the result (the result
// keeps the curve's old buffers for the next solve) and every window the
// response scale the solve picked.
void TakeCurvePoints(TGraphList& graphs, const TSolveRequest& request, TSolveResult& result);

// Curves bound to their elements by name (curves whose element is gone are
// dropped), the request built, the design solved and the points taken. A
// design that is not solved (block design mode) leaves every curve as it
// was; one without parts and drivers empties them. An error in a circuit block's expression ends the
// solve with the evaluator's exception before any curve changed.
void SolveGraphs(TDesign& d, TGraphList& graphs, TGraphSolve& solve, MessageSink& messages);

}  // namespace pelmo
