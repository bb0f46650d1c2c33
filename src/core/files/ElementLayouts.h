#pragma once

#include "files/LineLayout.h"
#include "model/Elements.h"

// The layout table of every element kind in the design file and the circuit
// block file. The reader and the writer of both files use these tables only;
// what they do besides (creating and placing elements, embedding measurement
// files, the source's level) is theirs.

namespace pelmo {

struct TDesign;

// The file a table is for. A circuit block file stores its members with fewer
// lines than a design: no designator, block index or catalogue settings of
// parts, no block index of grounds, wires and texts, and a part's own value
// and ESR (never the bound ones).
enum class TFileKind { Design, Block };

// Design file: the source section (the source and the design's overall delay).
const TLayout<TDesign>& SourceLayout();
// Design file: a circuit block's title, expressions and variable slots.
const TLayout<TCircuitBlock>& DesignBlockLayout();
// Circuit block file: the header, lines 0 to 27. Files written before step
// modes were stored end the header at line 20; "rev 1" on line 21 marks the
// full one.
const TLayout<TCircuitBlock>& BlockHeaderLayout();
inline constexpr int BlockHeaderLinesBeforeStepModes = 21;
inline constexpr const char* BlockRevisionLine = "rev 1";

const TLayout<TPart>& PartLayout(TFileKind file);
const TLayout<TGround>& GroundLayout(TFileKind file);
const TLayout<TWire>& WireLayout(TFileKind file);
const TLayout<TSheetText>& TextLayout(TFileKind file);

// Design file: a driver's fixed lines (its embedded files follow them).
const TLayout<TDriver>& DriverLayout();
// Drivers of 27 to 32 lines (earlier layouts) keep vendor, nominal diameter,
// rectangle and description from line 26 on: these lines, read over the
// driver's lines from line 26.
inline constexpr int EarlierDriverTailFirstLine = 26;
const TLayout<TDriver>& EarlierDriverTail();
inline bool HasEarlierDriverTail(int linesPerDriver) { return linesPerDriver >= 27 && linesPerDriver < 33; }

}  // namespace pelmo
