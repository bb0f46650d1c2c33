#pragma once

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
struct TCircuitBlock;

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
std::vector<std::string> BuildBlockFileLines(const TDesign& d, const TCircuitBlock& header, TPoint reference);

// Fills `block` from a block file. The members read (owned by the block
// until PlaceBlock hands them to a design) get Subckt = index and positions
// relative to the drawing's centre; parts start from the design's default
// resistor. A file without the "rev 1" line reads with every step mode smLog.
// False when the file cannot be read or ends before its counts say; the block
// then has no members and keeps its previous header.
bool ReadBlockFile(const TDesign& d, const std::string& path, TCircuitBlock& block, int index);
// The same on the file's lines.
bool ReadBlockLines(const TDesign& d, std::vector<std::string> lines, TCircuitBlock& block, int index);

}  // namespace pelmo
