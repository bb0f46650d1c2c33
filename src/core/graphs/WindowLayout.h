#pragma once

#include <optional>
#include <string>
#include <vector>

#include "graphs/GraphRecord.h"
#include "model/DesignSettings.h"
#include "model/GraphKind.h"

// The graph windows a design was last saved with, kept in its settings so
// that opening it brings them back: per window its kind, number, curves,
// scales, the axes' visible ranges, the legend's place and the window's
// geometry, numbered in opening order:
//
//     window.1.kind = spl
//     window.1.number = 1
//     window.1.curves = System, S1
//     window.1.curve.1.colour = 4
//     window.1.curve.1.phase = T
//     window.1.curve.1.smoothing = 0.0416666666666667
//     window.1.db_per_div = 5
//     window.1.xaxis = 100 20000
//     window.1.legend = inside 0.6 0.05
//     window.1.geometry = 900 0 604 416
//
// The reader takes what it can use from any text: a window of an unknown
// kind is passed over, a number that cannot be read keeps its default, an
// absurd one is clamped or dropped.

namespace pelmo {

struct TDesign;

// A rectangle in screen pixels (a window's frame or a screen's free area).
struct TWindowRect {
    int X = 0;
    int Y = 0;
    int W = 0;
    int H = 0;
    int Right() const { return X + W; }
    int Bottom() const { return Y + H; }
    bool Intersects(const TWindowRect& o) const {
        return X < o.Right() && o.X < Right() && Y < o.Bottom() && o.Y < Bottom();
    }
    bool Contains(const TWindowRect& o) const {
        return o.X >= X && o.Y >= Y && o.Right() <= Right() && o.Bottom() <= Bottom();
    }
    friend bool operator==(const TWindowRect&, const TWindowRect&) = default;
};

struct TAxisSpan {
    double Min = 0.0;
    double Max = 0.0;
    friend bool operator==(const TAxisSpan&, const TAxisSpan&) = default;
};

struct TCurveLayout {
    std::string Name;  // the caption: "System", "S1 (driver only)", "C2"
    int ColourIndex = 0;
    bool ShowPhase = false;
    double Smoothing = 1.0 / 24.0;
    TPhaseView PhaseView = TPhaseView::Wrapped;
    friend bool operator==(const TCurveLayout&, const TCurveLayout&) = default;
};

struct TWindowLayout {
    TGraphKind Kind = TGraphKind::SPL;
    int WindowNumber = 0;  // 0: the next of its kind
    // The curves; a window that shows a set of curves of one subject keeps
    // only the subject's caption.
    std::vector<TCurveLayout> Curves;
    double VerticalCenter = 70.0;
    double DbPerDiv = 5.0;
    double OhmsPerDiv = 2.0;
    double VoltsPerDiv = 10.0;
    double AmpsPerDiv = 2.0;
    double WattsPerDiv = 2.0;
    double UsecPerDiv = 200.0;
    double ResponseScale = 1.0;
    double TestFrequency = 1000.0;
    double DefaultSmoothing = 1.0 / 24.0;
    double DegreesPerDiv = 30.0;
    TDirectionalView Directional;
    std::optional<TAxisSpan> Bottom;  // as the user zoomed them
    std::optional<TAxisSpan> Left;
    TLegendPlace Legend;
    std::optional<TWindowRect> Geometry;  // the frame's top-left and the inside's size
    friend bool operator==(const TWindowLayout&, const TWindowLayout&) = default;
};

inline constexpr const char* WindowKeyPrefix = "window.";
// No design keeps more windows than this, nor a window more curves.
inline constexpr int MaxLaidOutWindows = 64;
inline constexpr int MaxLaidOutCurves = 64;

// What the record holds of a window's layout (not its axes' ranges nor its
// geometry: the window knows those).
TWindowLayout WindowLayoutOf(const TGraphRecord& g);
// The layout's scales, view and legend into a new window's record, before
// its first setup.
void ApplyLayoutScales(const TWindowLayout& l, TGraphRecord& g);
// The layout's curves into the record, as the design offers them: a curve
// the window's Curves menu does not offer for this design is passed over.
// The window then adds no System curve by itself.
void ApplyLayoutCurves(const TWindowLayout& l, TGraphRecord& g, const TDesign& d);

std::vector<TWindowLayout> ReadWindowLayouts(const TDesignSettings& settings);
// Replaces every window key of the settings by these windows.
void WriteWindowLayouts(const std::vector<TWindowLayout>& windows, TDesignSettings& settings);
void RemoveWindowLayouts(TDesignSettings& settings);

// ---- where windows go on the screen ----

// The rectangle moved (and shrunk where it must be) to lie inside `area`.
TWindowRect ClampOntoArea(TWindowRect r, const TWindowRect& area);
// Where a new window of size w x h goes: the first place, to the right of
// the main window and then below it, stepping by the window's size, that
// overlaps no window in `taken`; when none is free, overlapping from the
// top-left of the free area. A free area narrower (or lower) than the window
// but at least half its size takes it narrowed. Always inside `area`.
TWindowRect PlaceNewWindow(int w, int h, const TWindowRect& mainWindow, const TWindowRect& area,
                           const std::vector<TWindowRect>& taken);
// `count` cells of one grid over the part of `area` beside the main window
// (right of it, else below it, else the whole area), in reading order.
std::vector<TWindowRect> TileWindows(int count, const TWindowRect& mainWindow, const TWindowRect& area);

}  // namespace pelmo
