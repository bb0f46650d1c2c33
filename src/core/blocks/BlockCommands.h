#pragma once

#include <functional>
#include <string>

// The block-file commands: saving the block under design, opening a block
// file for designing, and loading one for placing into a design.

namespace pelmo {

class MessageSink;
struct TDesign;
struct TCircuitBlock;

// "Save Circuit Block": writes the block under design and the drawing,
// relative to the centre of the drawing's extent (where "Fit all" centres the
// view). On success the design is no longer modified. When the file cannot be
// written, "Circuit Block save error!!" is shown and the system's reason is
// thrown (std::runtime_error) for the command's general error report.
void SaveCircuitBlock(TDesign& d, const std::string& path, MessageSink& messages);

// Before the open dialog of "Open Circuit Block" (and before leaving a
// modified drawing): "Save current design?" (Yes/No/Cancel) when modified;
// Yes runs `save`. False when the user cancelled, or said Yes and the save
// did not succeed: the command then ends, so nothing is thrown away unsaved.
bool OfferToSave(TDesign& d, MessageSink& messages, const std::function<bool()>& save);

// "Open Circuit Block" after its dialog: the drawing is discarded and the
// file's block becomes the block under design, its members the drawing,
// centred at (118, 64). On failure "error loading Circuit Block file" is
// shown and the sheet stays empty. The design is unmodified afterwards.
bool OpenCircuitBlock(TDesign& d, const std::string& path, MessageSink& messages);

// "CircuitBlocks" after its dialog: a new block at the end of the design's
// blocks, read from the file and not yet on the sheet (PlaceNewBlock puts it
// there). On failure "error loading Circuit Block file" is shown, the block
// removed and null returned.
TCircuitBlock* LoadBlockForPlacing(TDesign& d, const std::string& path, MessageSink& messages);

}  // namespace pelmo
