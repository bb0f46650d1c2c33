#include "blocks/CircuitBlocks.h"

#include "model/Design.h"

namespace pelmo {

void EvaluateBlocks(TDesign& d, MessageSink&) {
    // Expressions are not evaluated yet: members keep the values they were read with.
    for (auto& b : d.Blocks) b->NeedsEval = false;
}

}  // namespace pelmo
