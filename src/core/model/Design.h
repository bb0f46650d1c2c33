#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "model/DesignSettings.h"
#include "model/Elements.h"
#include "model/TextMetrics.h"

// The design: ordered collections of elements, the one source, the analysis
// grid and the defaults that new elements take. Elements are owned here and
// referred to by stable pointer or by index.

namespace pelmo {

template <class T>
using Collection = std::vector<std::unique_ptr<T>>;

struct TDesign {
    TDesign();
    TDesign(const TDesign&) = delete;
    TDesign& operator=(const TDesign&) = delete;

    Collection<TPart> Parts;
    Collection<TDriver> Drivers;
    Collection<TWire> Wires;
    Collection<TGround> Grounds;
    Collection<TSheetText> Texts;
    Collection<TCircuitBlock> Blocks;
    TSource Source;
    double OverallDelay = 0;   // seconds, added to every driver's delay
    TDesignSettings Settings;  // the program's own settings of this design

    DataArray Grid;  // analysis frequencies, Hz
    double OctavesPerStep = 0;

    // Defaults that new elements take: one per part type, one driver, one text.
    std::array<TPart, 3> DefaultParts;
    TPart& DefaultPart(TPartType t) { return DefaultParts[static_cast<std::size_t>(t)]; }
    const TPart& DefaultPart(TPartType t) const { return DefaultParts[static_cast<std::size_t>(t)]; }
    TDriver DefaultDriver;
    TSheetText DefaultText;

    // While a circuit block is being designed the sheet holds only the block
    // and nothing is solved.
    bool BlockDesignMode = false;
    // The block under design: its header while BlockDesignMode is set (the
    // drawing itself is in the collections); also the container of a copied
    // group.
    TCircuitBlock SharedBlock;

    bool Modified = false;
    std::string FileName;  // full path of the file last read or saved; empty when untitled

    int Scale = 10;  // pixels per grid unit, for the pixel copies of positions
    const TextMetrics* Metrics = &DefaultTextMetrics();
};

// Start-up state of the source: placed, 1 W into 8 ohms, 0.001 ohm inside.
void InitSource(TSource& source);

// Geometry of each kind at a grid position.
struct TTerminals {
    TPoint T1, T2;
};
TTerminals PartTerminals(TPoint pos, bool horizontal);
TRect PartBodyRect(TPoint pos, bool horizontal);
TTerminals DriverTerminals(TPoint pos);
TRect DriverBodyRect(TPoint pos);
TTerminals SourceTerminals(TPoint pos);
TRect SourceBodyRect(TPoint pos);
TRect GroundBodyRect(TPoint pos);

// Position setters: store the grid and pixel positions, SavedPosition,
// terminals and rectangles; clear Selected.
void SetPartPosition(const TDesign& d, TPart& p, TPoint pos);
void SetPartOrientation(const TDesign& d, TPart& p, bool horizontal);
void SetDriverPosition(const TDesign& d, TDriver& drv, TPoint pos);
void SetSourcePosition(const TDesign& d, TSource& s, TPoint pos);
void SetGroundPosition(const TDesign& d, TGround& g, TPoint pos);
void SetTextPosition(const TDesign& d, TSheetText& t, TPoint pos);
void SetWireEnds(const TDesign& d, TWire& w, TPoint end1, TPoint end2);

// Recomputes every pixel copy after the scale changed.
void SetDesignScale(TDesign& d, int scale);

// Reference designators: the smallest number >= 1 not yet used in the group.
int NextPartRefDes(const TDesign& d, TPartType partType);
int NextDriverRefDes(const TDesign& d);
// "R", "C", "L" or "S" followed by the number.
std::string PartDesignator(const TPart& p);
std::string DriverDesignator(const TDriver& drv);
// The index of the first driver whose designator is `name` ("S2", any case);
// -1 when none is.
int FindDriverByDesignator(const TDesign& d, const std::string& name);
// "S1 S2 S3": the designators of every driver, for messages.
std::string DriverDesignatorList(const TDesign& d);

// Raw creation: all fields zero/empty, block index -1, appended to the collection.
// Readers fill the rest.
TPart& AppendPart(TDesign& d);
TDriver& AppendDriver(TDesign& d);
TWire& AppendWire(TDesign& d);
TGround& AppendGround(TDesign& d);
TSheetText& AppendText(TDesign& d);
TCircuitBlock& AppendBlock(TDesign& d);

// Placing a new element from the toolbar: defaults from the default elements,
// the next designator, state normal.
TPart& AddPart(TDesign& d, TPartType partType, TPoint pos, bool horizontal);
TDriver& AddDriver(TDesign& d, TPoint pos);
TGround& AddGround(TDesign& d, TPoint pos);
TWire& AddWire(TDesign& d, TPoint end1, TPoint end2);
TSheetText& AddText(TDesign& d, TPoint pos, const std::string& text);

// Fills a driver with the values a new driver has (not its designator or position).
void SetNewDriverDefaults(TDesign& d, TDriver& drv);

// Copy operations used by copy and paste.
void CopyPart(const TPart& from, TPart& to);
void CopyDriver(const TDriver& from, TDriver& to);
void CopyText(const TDesign& d, const TSheetText& from, TSheetText& to);

// A part is bound when it belongs to a block or carries a catalogue part number;
// then its electrical values are the bound ones.
bool IsBound(const TPart& p);
double PartValue(const TPart& p);
double PartESR(const TPart& p);
double PartRating(const TPart& p);

// Text rectangle for the given scale and metrics; UpdateTextRect uses the design's.
TRect ComputeTextRect(const TSheetText& t, int scale, const TextMetrics& metrics);
void UpdateTextRect(const TDesign& d, TSheetText& t);

// Center and BoundsRect from the block's members.
void UpdateBlockExtent(TCircuitBlock& block);

// The rectangle the drawing covers, in grid units: parts (body, terminals,
// label), blocks, drivers (from their first terminal), wires, grounds (body
// and position), texts and a placed source (to its first terminal). Label
// rectangles that were never drawn (all zero) do not count. With nothing on
// the sheet the result is (99999, 99999, 0, 0).
TRect DrawingExtent(const TDesign& d);
// The view centre that "Fit all" takes from an extent.
inline TPoint ExtentCentre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

// Rebuilds every block's member lists from the members' Subckt indices.
void RebuildBlockMembers(TDesign& d);

// Destroys every element of every collection; the source stays.
void ClearElements(TDesign& d);

// The "New" command's effect on the model: elements and settings gone, source
// not inverted, overall delay 0, Vrms back to sqrt(8) (Power and Ohms keep
// their values).
void NewDesign(TDesign& d);

}  // namespace pelmo
