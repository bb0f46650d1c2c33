#pragma once

// A private copy of a design for the optimizer and the tolerance analysis:
// everything the solve reads, so that a search can solve its copy over and
// over on another thread while the program keeps the design itself.

namespace pelmo {

struct TDesign;
class MessageSink;

// Copies the elements, the source, the delays and the analysis grid of
// `from` into `to` (whose elements are replaced), with the block headers and
// their member lists. Texts, the defaults and the file name are not copied.
void CopySolveDesign(const TDesign& from, TDesign& to);

// Evaluates every circuit block once and then drops the block headers: the
// members keep their bound values and stay bound, so a solve no longer
// evaluates any expression and a member's value can be set directly. An
// expression error propagates (the evaluator's exception).
void FreezeBlocks(TDesign& d, MessageSink& messages);

}  // namespace pelmo
