#pragma once

#include <QSize>

#include "gui/pictures/Picture.h"
#include "model/Geometry.h"

// The picture of the whole drawing: what the sheet shows at the view's
// scale, without the grid, with three grid units of white margin on every
// side of the drawing's extent.

namespace pelmo {

class TSheetView;

// Pixels of a picture of `extent` (grid units) at `scale`: the extent and
// three units on each side. An empty size when the extent is empty.
QSize SheetPictureSize(const TRect& extent, int scale);

// The picture of the view's design at the view's current scale. The design
// is not touched: the drawing is moved onto the picture by the painter, so
// positions, selections, the modified flag and the undo history stay as
// they are.
TPicture SheetPicture(TSheetView& view);

}  // namespace pelmo
