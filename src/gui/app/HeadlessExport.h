#pragma once

#include "app/CommandLine.h"
#include "graphs/GraphKinds.h"

// "pelmo --export-sheet" and "pelmo --export-graph": a design read, solved
// and drawn into a picture file without any window on a screen, by the same
// sheet view, graph windows and picture writer as the program's menus.

namespace pelmo {

class TGraphWindows;
class TPlotForm;

// The sheet view the export fits the drawing into, as a window of this size
// would ("shown" pictures are about this large).
inline constexpr int HeadlessViewWidth = 1000;
inline constexpr int HeadlessViewHeight = 700;

// Qt's notes about the window system (the offscreen platform has none, nor
// a runtime folder) are no news to someone exporting a picture: only Qt's
// errors still reach stderr. Installed before QApplication is made.
void QuietQtMessages();

// The graph window an export of `kind` draws, solved: a kind with a System
// curve shows it, the others the curve of each driver.
TPlotForm* OpenExportGraph(TGraphWindows& windows, TGraphKind kind);

// Runs the export of the command line; QApplication must exist. Returns the
// exit status: 0 written, 1 when the design or the picture failed (the
// reason on stderr).
int RunHeadlessExport(const TCommandLine& line);

}  // namespace pelmo
