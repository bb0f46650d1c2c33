#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "graphs/GraphRecord.h"
#include "model/GraphKind.h"

// The rules of a graph window's Curves menu and of the curve settings
// dialog: which items the menu offers, what choosing one does to the
// window's curves, and how the dialog is laid out for a curve.

namespace pelmo {

struct TDesign;
struct TGraphRecord;
struct TGraphList;

inline constexpr const char* GetFileItem = "Get File";
inline constexpr const char* FromFilePrefix = "From File: ";
inline constexpr const char* ExportSystemFrdItem = "Export system FRD file";
inline constexpr const char* ExportSystemZmaItem = "Export system ZMA file";
inline constexpr const char* ExportFrdItem = "Export FRD file";

// What RebuildCurveMenu puts into the Curves and File menus.
struct TCurveMenuLayout {
    std::vector<TCurveSubject> Subjects;  // curve items in order
    std::vector<std::string> Items;       // their captions
    int SeparatorBefore = -1;             // index in Items a separator precedes (-1: none)
    bool ExportSystemFrd = false;
    bool ExportSystemZma = false;
    bool ExportFrd = false;                     // the "Export FRD file" submenu
    std::vector<TCurveSubject> ExportSubjects;  // its driver items
    std::vector<std::string> ExportItems;       // their captions
};
TCurveMenuLayout CurveMenuLayout(TGraphKind kind, const TDesign& d);

// A menu caption without its accelerator marks.
std::string CurveNameFromCaption(const std::string& caption);

// Choosing a curve item: the existing curve of that name, or a new one.
struct TCurveChoice {
    int Index = -1;
    bool Added = false;
    bool DriverOnlyItem = false;  // an SPL " (driver only)" item
    // Whether the curve settings dialog follows, and where: at the window's
    // top-left corner for driver-only items, else 8 pixels lower.
    bool ShowDialog = false;
    bool DialogAtTopLeft = false;
};
TCurveChoice ChooseCurve(TGraphRecord& g, const TDesign& d, const TCurveSubject& subject, bool automatic);
// The same for an item's caption ("S1 (driver only)"); nothing (Index -1)
// for text that names no curve.
TCurveChoice ChooseCurve(TGraphRecord& g, const TDesign& d, const std::string& caption, bool automatic);

// What "Ok" in the curve settings dialog leaves in the window: the curve is
// the selected one, and in SPL windows its smoothing is what new curves get
// (not for driver-only items).
void ConfirmCurve(TGraphRecord& g, int index, bool driverOnlyItem);

// The "Hold" button shows while the window has a System curve.
bool HoldAvailable(const TGraphRecord& g);

// Before a solve: every curve whose part or driver is no longer in the
// design is bound again to the element of its designator, or removed when
// there is none (after New, undo, or a block designer switch replaced the
// elements).
// Returns how many curves were removed.
int RebindCurveElements(TGraphList& graphs, const TDesign& d);

// The smoothing list of the curve settings dialog.
inline constexpr std::array<const char*, 8> SmoothingItems{"none",       "1/24 octave", "1/12 octave", "1/6 octave",
                                                           "1/3 octave", "1/2 octave",  "1 octave",    "auditory ERB "};
inline constexpr std::array<double, 8> SmoothingValues{0.0,       1.0 / 24.0, 1.0 / 12.0, 1.0 / 6.0,
                                                       1.0 / 3.0, 0.5,        1.0,        1000.0};
// The list item shown for a curve's smoothing (thresholds between the items).
int SmoothingItemFor(double smoothing);
// The value of a list item; an item not chosen (-1) counts as "none".
double SmoothingValueOf(int item);

// Layout of the curve settings dialog.
struct TSeriesEditLayout {
    int Height = 129;  // 158 when the smoothing row is used
    bool PhaseBox = true;
    bool Smoothing = false;
};
TSeriesEditLayout SeriesEditLayout(TGraphKind kind, bool fileMode, bool driverOnly);
// The settings dialog's choices of how a curve's phase is drawn, in order:
// SPL "wrapped", "unwrapped", "excess phase"; group delay "group delay",
// "excess group delay"; none for the other kinds.
std::vector<std::pair<std::string, TPhaseView>> PhaseViewItems(TGraphKind kind);
// "select curve color for "name"".
std::string SeriesEditLabel(const std::string& curveName);
inline constexpr const char* FromFileCaption = "From File";

}  // namespace pelmo
