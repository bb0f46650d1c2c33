#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/GraphKind.h"

// What a graph window of each kind looks like: its "AddGraph" menu item, its
// chart title, its axes, which scale menu items it shows, and the curve
// colours. The windows draw from these tables; nothing here needs a screen.

namespace pelmo {

struct TGraphRecord;

// The "vertical scale" submenu or dialog a kind offers in its Scale menu.
enum class TVerticalScaleMenu { None, Ohms, Volts, Amps, Watts, ResponseScale, Microseconds };

struct TGraphKindInfo {
    TGraphKind Kind;
    const char* MenuItem;  // caption in "AddGraph"
    bool InMoreMenu;       // in the "   more" submenu
    const char* Title;     // chart title before " (#n)"
    // Scale and File menu items shown for this kind.
    bool ShowFrequencyRange;  // "Min Frequency", "Max frequency"
    bool ShowTestFrequency;
    bool ShowVerticalCenter;  // "vertical center" and "vertical step size"
    TVerticalScaleMenu VerticalScale;
    bool ShowGetFile;
    bool DeltaMenu;  // the chart's pop-up menu for the delta readout
};

const TGraphKindInfo& GraphKindInfo(TGraphKind kind);

// "AddGraph" in menu order: the first two on the menu itself, the rest in
// its "   more" submenu.
const std::array<TGraphKind, 10>& AddGraphMenuOrder();
inline constexpr const char* MoreGraphsMenu = "   more";

// The kinds' names on the command lines: "spl", "impedance", "filter",
// "voltage", "current", "power", "groupdelay", "impulse", "step",
// "squarewave".
struct TGraphKindName {
    const char* Name;
    TGraphKind Kind;
};
const std::array<TGraphKindName, 10>& GraphKindNames();
// The kind of a name of that list; nullptr for any other name.
const TGraphKindName* FindGraphKindName(const std::string& name);

// The chart title with the window's number: "Impedance (#2)",
// "Square Wave Response at 1kHz (#1)".
std::string ChartTitle(const TGraphRecord& g);
// "Square Wave Response at " + the test frequency (engineering format) + "Hz".
std::string SquareWaveTitle(double testFrequency);

struct TAxisSetup {
    double Min = 0;
    double Max = 0;
    double Step = 0;  // between labels and grid lines
    bool Visible = true;
    bool Grid = true;
    bool Log = false;  // bottom axis only: 8 minor ticks per decade, dotted minor grid
    std::string Title;
};

TAxisSetup BottomAxisSetup(TGraphKind kind);
// The left axis from the window's scale fields (SPL and filter: the centre
// +/- 6 divisions; impedance, voltage, current, power: 0 .. 12 divisions;
// group delay: -2 .. +8 divisions; time responses: fixed at setup).
TAxisSetup LeftAxisSetup(const TGraphRecord& g);
// The group-delay axis after a live change of the microseconds per division:
// -1 .. +9 divisions.
TAxisSetup GroupDelayAxisAfterChange(double usecPerDiv);
TAxisSetup RightAxisSetup(TGraphKind kind);

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
