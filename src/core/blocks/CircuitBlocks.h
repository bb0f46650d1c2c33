#pragma once

namespace pelmo {

struct TDesign;
class MessageSink;

// Marks every circuit block as needing evaluation and evaluates it, so that
// every bound member part carries its current BoundValue and BoundESR. The
// solve calls this before its sweep.
void EvaluateBlocks(TDesign& d, MessageSink& messages);

}  // namespace pelmo
