#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/Geometry.h"

// The circuit block file (".pbk"): a block's header (title, the six variable
// slots, the two intermediate expressions, the step modes) and its members,
// with positions relative to the centre of the drawing so the block can be
// placed anywhere. No drivers, no source, no measurement data.

namespace pelmo {

class MessageSink;
struct TDesign;
struct TSubCkt;

inline constexpr const char* MsgBlockSaveError = "Circuit Block save error!!";
inline constexpr const char* MsgBlockLoadError = "error loading Circuit Block file";
inline constexpr const char* BlockFileFilter = "subcircuit files (*.pbk)|*.pbk";
inline constexpr const char* BlockSaveTitle = "Save subcircuit file";
inline constexpr const char* BlockOpenTitle = "Load subcircuit macro";
inline constexpr const char* BlockFileExtension = "pbk";

// The lines of a block file: the header from `header`, the members from the
// design's parts, grounds, wires and texts (the drawing in designer mode),
// each position less `reference`. Parts are written with their own Value and
// ESR, never the bound ones.
std::vector<std::string> BuildBlockFileLines(const TDesign& d, const TSubCkt& header, TPoint reference);

// Fills `block` from a block file. The members read (owned by the block
// until PlaceBlock hands them to a design) get Subckt = index and positions
// relative to the drawing's centre; parts start from the design's default
// resistor. A file without the "rev 1" line reads with every step mode smLog.
// False when the file cannot be read or ends before its counts say; the block
// then has no members and keeps its previous header.
bool ReadBlockFile(const TDesign& d, const std::string& path, TSubCkt& block, int index);
// The same on the file's lines.
bool ReadBlockLines(const TDesign& d, std::vector<std::string> lines, TSubCkt& block, int index);

// "Save Circuit Block": writes the block under design and the drawing,
// relative to the centre of the drawing's extent (where "Fit all" centres the
// view). On success the design is no longer modified. When the file cannot be
// written, "Circuit Block save error!!" is shown and the system's reason is
// thrown (std::runtime_error) for the command's general error report.
void SaveCircuitBlock(TDesign& d, const std::string& path, MessageSink& messages);

// Before the open dialog of "Open Circuit Block" (and before leaving a
// modified drawing): "Save current design?" when modified; Yes runs `save`.
// False when the user said Yes and the save did not succeed: the command
// then ends, so nothing is thrown away unsaved.
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
TSubCkt* LoadBlockForPlacing(TDesign& d, const std::string& path, MessageSink& messages);

}  // namespace pelmo
