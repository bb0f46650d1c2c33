#pragma once

#include <QSize>

#include "pictures/Picture.h"

class QCustomPlot;
class QMenu;

// Pictures of a graph window's chart: to a file, to the clipboard and to the
// printer. The chart is drawn off screen at the size asked for; the window
// keeps its size.

namespace pelmo {

class TGraphWindows;
class TPlotForm;

enum class TGraphPictureSize { Large, Small, AsShown };

// Large 1260 x 780, Small 604 x 424, AsShown the chart's size on screen.
QSize GraphPictureSize(TGraphPictureSize which, const QCustomPlot& chart);

// The chart drawn at `size` pixels.
TPicture ChartPicture(QCustomPlot& chart, QSize size);

// Appends "To Picture File", "To Clipboard" and "Print" to a window's File
// menu.
void AddGraphPictureItems(TPlotForm& form, TGraphWindows& owner, QMenu* file);

void GraphToFile(TPlotForm& form, TGraphWindows& owner, TGraphPictureSize size);
void GraphToClipboard(TPlotForm& form, TGraphWindows& owner, bool vector);
// Prints the chart in the screen's shape across the page, laid out at the
// page's size in screen pixels, so that its text keeps its size in points.
void GraphPrint(TPlotForm& form, TGraphWindows& owner);

}  // namespace pelmo
