#include "optimize/SolveCopy.h"

#include <memory>

#include "blocks/CircuitBlocks.h"
#include "model/Design.h"

namespace pelmo {

namespace {

template <class T>
void CopyCollection(const Collection<T>& from, Collection<T>& to) {
    to.clear();
    to.reserve(from.size());
    for (const auto& e : from) to.push_back(std::make_unique<T>(*e));
}

void CopyBlockHeader(const TCircuitBlock& from, TCircuitBlock& to) {
    to.Title = from.Title;
    to.VarExpression = from.VarExpression;
    to.VarName = from.VarName;
    to.VarDesc = from.VarDesc;
    to.VarValue = from.VarValue;
    to.VarStepMode = from.VarStepMode;
    to.NeedsEval = from.NeedsEval;
    to.Center = from.Center;
    to.BoundsRect = from.BoundsRect;
}

}  // namespace

void CopySolveDesign(const TDesign& from, TDesign& to) {
    CopyCollection(from.Parts, to.Parts);
    CopyCollection(from.Drivers, to.Drivers);
    CopyCollection(from.Wires, to.Wires);
    CopyCollection(from.Grounds, to.Grounds);
    to.Texts.clear();
    to.Blocks.clear();
    for (const auto& b : from.Blocks) CopyBlockHeader(*b, AppendBlock(to));
    RebuildBlockMembers(to);
    to.Source = from.Source;
    to.OverallDelay = from.OverallDelay;
    to.Grid = from.Grid;
    to.OctavesPerStep = from.OctavesPerStep;
    to.BlockDesignMode = from.BlockDesignMode;
    to.Scale = from.Scale;
}

void FreezeBlocks(TDesign& d, MessageSink& messages) {
    EvaluateBlocks(d, messages);
    // The members keep their block index, so they stay bound and use the
    // values just computed.
    d.Blocks.clear();
}

}  // namespace pelmo
