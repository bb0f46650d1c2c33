#pragma once

#include <QCursor>

namespace pelmo {

// The sheet's three own pointer shapes, drawn at start-up.
enum class TSheetCursor { Default, Zoom, Wire, TuneDown };

const QCursor& SheetCursor(TSheetCursor shape);

}  // namespace pelmo
