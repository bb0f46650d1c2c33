#pragma once

#include <optional>

#include "model/Design.h"

// Sheet view arithmetic: the drawing's extent, the zoom rules and where the
// scroll bars go to centre a grid point.

namespace pelmo {

// Scale limits: zoom requests outside 5..27 are refused; Fit all may choose
// from 4 to 28.
inline constexpr int MinZoomScale = 5;
inline constexpr int MaxZoomScale = 27;
inline constexpr int MinFitScale = 4;
inline constexpr int MaxFitScale = 28;

// Extra scroll range beyond the sheet panel, in pixels.
inline constexpr int ScrollMarginX = 40;
inline constexpr int ScrollMarginY = 6;
// Scroll step of both bars and of one wheel line, in pixels.
inline constexpr int ScrollLine = 5;

// DrawingExtent and ExtentCentre are the model's (model/Design.h).

// The scale a request turns into: nothing outside 5..27, an odd request is
// raised to the next even number.
std::optional<int> SheetScaleRequest(int z);

// One zoom step from scale s: steps of 2 below 15, 4 below 25, else 8.
// Nothing when the resulting request is refused.
std::optional<int> ZoomStepScale(int s, bool zoomIn);

// The scale at which the extent (with one unit to spare each way) fits the
// available pixels: at least 4, at most 28, never odd.
int FitAllScale(const TRect& extent, int availableWidth, int availableHeight);

// Scroll position that puts grid coordinate `centre` in the middle of the view
// along one axis. `sheetUnits` is 256 or 128, `margin` the extra range (40 or
// 6), `available` the scroll box's size less the other bar's thickness,
// `panel` the sheet panel's size and `client` the scroll box's client size.
// Nothing when the sheet exactly fills the available size.
std::optional<int> CentreScrollPosition(int centre, int scale, int sheetUnits, int margin, int available, int panel,
                                        int client);

// Pixel size of the sheet panel at a scale (the same formula both ways).
inline int PanelWidth(int scale) { return SheetWidth * scale + 2; }
inline int PanelHeight(int scale) { return SheetHeight * scale + 2; }

}  // namespace pelmo
