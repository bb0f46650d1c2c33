#pragma once

#include <string>
#include <vector>

#include "graphs/CurvePoints.h"
#include "graphs/CurveSubject.h"
#include "model/GraphKind.h"

// One descriptor per kind of graph window: its names, its chart and axes,
// the scale and file menu items it shows, the curves it offers and the
// function that makes their points from a solve. The windows, the command
// lines and the solve read these; adding a kind is adding one descriptor
// (GraphKinds.cpp) and its value of TGraphKind. Nothing here needs a screen.

namespace pelmo {

struct TGraphRecord;
struct TDesign;

// The "vertical scale" submenu or dialog a kind offers in its Scale menu.
enum class TVerticalScaleMenu { None, Ohms, Volts, Amps, Watts, ResponseScale, Microseconds };

struct TAxisSetup {
    double Min = 0;
    double Max = 0;
    double Step = 0;  // between labels and grid lines
    bool Visible = true;
    bool Grid = true;
    bool Log = false;  // bottom axis only: 8 minor ticks per decade, dotted minor grid
    std::string Title;
};

// How the left axis follows the window's scale fields: centred on the
// window's VerticalCenter with 6 divisions of DbPerDiv either side, or from
// `From` to `To` divisions of Multiple times the window's field `Step`.
struct TLeftAxisRule {
    const char* Title;
    bool Centred;
    double TGraphRecord::*Step;
    double Multiple;
    double From, To;  // divisions
    bool Shown;       // axis and grid lines
    // The per-division menus move it at once (no solve).
    bool FollowsScaleMenus;
};

// The pointer readout's text: frequency, value in Unit and phase; the time
// under the pointer; the delay under it; none; a colour map's cell
// (frequency, angle and level, MapReadoutText).
enum class TReadoutStyle { FrequencyValue, Time, Delay, None, Map };

// The curves a window's Curves menu offers, in this order: the System
// curve; per driver an item of DriverItems; per driver an item of
// SecondDriverItems (System: none); per part, capacitors, inductors and
// resistors after a separator.
struct TCurveOffer {
    bool System;
    TSubjectKind DriverItems;
    TSubjectKind SecondDriverItems;
    bool Parts;
};

struct TGraphKindDescriptor {
    TGraphKind Kind;
    const char* Name;             // on the command lines: "spl", "impedance", ...
    const char* MenuItem;         // caption in "AddGraph"
    int MenuPosition;             // its place there, from 0
    bool InMoreMenu;              // in the "   more" submenu
    const char* Title;            // chart title before " (#n)"
    bool TitleWithTestFrequency;  // title + " at " + the test frequency + "Hz"

    TAxisSetup Bottom;
    TLeftAxisRule Left;
    double PhaseLimit;      // the right (phase) axis spans +-this; 0: no phase axis, curves show no phase
    double VerticalCenter;  // a new window's, dB

    // Scale and File menu items shown.
    bool ShowFrequencyRange;  // "Min Frequency", "Max frequency"
    bool ShowTestFrequency;
    bool ShowVerticalCenter;  // "vertical center" and "vertical step size"
    TVerticalScaleMenu VerticalScale;
    bool ScaleMenuOpensDialog;         // choosing "Scale" itself opens the response scale dialog
    const char* ResponseScaleCaption;  // of that dialog (null: the chart title without its number)
    bool ShowGetFile;
    bool GetFileReadsZma;  // "Get File" reads impedance (ZMA) files, else response (FRD) files
    bool DeltaMenu;        // the chart's pop-up menu for the delta readout
    TReadoutStyle Readout;
    const char* ReadoutUnit;

    TCurveOffer Curves;
    bool QuietCurves;     // new curves come without the settings dialog and show no phase
    bool SmoothedCurves;  // curves carry a smoothing, which becomes the window's default
    bool ExportSystemFrd, ExportSystemZma;
    bool ExportDriverFrd;  // the "Export FRD file" submenu, one item per driver

    TCurvePointsFunction Points;
    // Its points come from a transform of thousands of samples: worked out
    // on the calling thread, beside the other kinds.
    bool Transform;
    // Its curves are drawn with thin lines (thousands of points each).
    bool ThinLines;
    // Its window shows a set of curves of one subject, all filled by one
    // call of Points (DirectionalCurves.h); the Curves menu chooses the
    // subject.
    bool CurveSet = false;
    // A right-hand axis in dB for the directivity indices instead of phase.
    bool DiAxis = false;
};

const TGraphKindDescriptor& GraphKindDescriptor(TGraphKind kind);
// Every kind's, in the order of their names on the command lines.
const std::vector<TGraphKindDescriptor>& GraphKindDescriptors();
// The kinds in "AddGraph" order: the first two on the menu itself, the rest
// in its "   more" submenu.
const std::vector<TGraphKind>& AddGraphMenuOrder();
inline constexpr const char* MoreGraphsMenu = "   more";

// The kinds' names on the command lines.
struct TGraphKindName {
    const char* Name;
    TGraphKind Kind;
};
const std::vector<TGraphKindName>& GraphKindNames();
// The kind of a name of that list; nullptr for any other name.
const TGraphKindName* FindGraphKindName(const std::string& name);

// Kinds whose windows have a phase axis (and so curves that can show phase).
bool KindHasPhase(TGraphKind kind);
// Kinds whose Curves menu offers "System".
bool KindHasSystemCurve(TGraphKind kind);

// The curves a window of this kind offers for the design, in menu order.
std::vector<TCurveSubject> CurveMenuSubjects(TGraphKind kind, const TDesign& d);
// Their captions: "System", then per driver "S<n>" ("S<n> (driver only)"
// in impedance windows), then per driver "S<n> (driver only)" (SPL) or
// "S<n> (lookback)" (impedance), then in voltage, current and power windows
// the capacitors, inductors and resistors.
std::vector<std::string> CurveMenuNames(TGraphKind kind, const TDesign& d);

// The chart title with the window's number: "Impedance (#2)",
// "Square Wave Response at 1kHz (#1)".
std::string ChartTitle(const TGraphRecord& g);
// "Square Wave Response at " + the test frequency (engineering format) + "Hz".
std::string SquareWaveTitle(double testFrequency);

TAxisSetup BottomAxisSetup(TGraphKind kind);
// The left axis from the window's scale fields (SPL and filter: the centre
// +/- 6 divisions; impedance, voltage, current, power: 0 .. 12 divisions;
// group delay: -2 .. +8 divisions; time responses: fixed at setup).
TAxisSetup LeftAxisSetup(const TGraphRecord& g);
// The group-delay axis after a live change of the microseconds per division:
// -1 .. +9 divisions.
TAxisSetup GroupDelayAxisAfterChange(double usecPerDiv);
TAxisSetup RightAxisSetup(TGraphKind kind);
// The same for a window: the directivity-index axis spans as many dB as the
// window's left axis, from -1 division (the curves' levels above, the
// indices near its foot); the others as RightAxisSetup(kind).
TAxisSetup RightAxisSetup(const TGraphRecord& g);

// One item of a per-division submenu.
struct TScaleMenuItem {
    const char* Caption;
    double Value;
};
// "1dB" ... "10dB" of "vertical step size".
const std::vector<TScaleMenuItem>& DbPerDivItems();
// The submenu of a vertical scale (empty for the dialog kinds and None).
const std::vector<TScaleMenuItem>& VerticalScaleItems(TVerticalScaleMenu menu);
// Caption of the item that shows the window's scale in force (a new window:
// "5dB", "2 ohm", "10V", "2 Watt", "2A"); empty when no item has its value.
std::string CheckedScaleItem(const TGraphRecord& g, TVerticalScaleMenu menu);
std::string CheckedDbPerDivItem(const TGraphRecord& g);

// Stores a per-division value in the field the submenu belongs to.
void SetPerDivision(TGraphRecord& g, TVerticalScaleMenu menu, double value);

// Curve colours: palette index modulo 10, a negative index gives black.
struct TRgb {
    int R = 0, G = 0, B = 0;
    friend bool operator==(const TRgb&, const TRgb&) = default;
};
TRgb PaletteColour(int index);
inline constexpr TRgb HoldColour{137, 134, 183};
inline constexpr int PaletteSize = 10;

}  // namespace pelmo
