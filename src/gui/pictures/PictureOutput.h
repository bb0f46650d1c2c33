#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include "gui/pictures/Picture.h"

class QMimeData;
class QPrinter;

// The clipboard forms of a picture and its printed page.

namespace pelmo {

// The clipboard's MIME type of EMF pictures.
inline constexpr const char* EmfMimeType = "image/x-emf";

// "As bitmap": the picture on white at its own size. "As vector graphic":
// SVG and EMF beside the bitmap, for receivers that take only bitmaps.
// Nothing (and a message) when the bitmap cannot be made.
QMimeData* PictureMimeData(const TPicture& picture, bool vector, QString* message = nullptr);

// Where the picture goes on a page of `pageWidth` by `pageHeight` printer
// pixels: from a ninth of the page width below the top and from the left
// (an eleventh in landscape) to an eleventh of the width before the right
// edge, as tall as the picture's shape asks, but ending an eleventh of the
// page height above the bottom at the latest; a picture too tall for that
// is made narrower, never squeezed.
QRect PrintRect(int pageWidth, int pageHeight, bool landscape, QSize picture);

// Prints the picture on one page of the printer; false (with a message)
// when the print job could not be started.
bool PrintPicture(QPrinter& printer, const TPicture& picture, QString* message = nullptr);

}  // namespace pelmo
