#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

#include "gui/pictures/Picture.h"

// Writing a picture to a file whose format follows the file name's
// extension, and the bitmap, SVG and EMF forms that the clipboard takes.
// A file is written to a temporary file beside it and renamed over the old
// one only when it is complete: a failed write leaves an older picture as
// it was. Every failure comes back as a message.

namespace pelmo {

enum class TPictureFormat { Png, Jpeg, Bmp, Pdf, Svg, Emf };

// The format of a file name's extension, letter case ignored: .png, .jpg,
// .jpeg, .bmp, .pdf, .svg, .emf; nothing for any other.
std::optional<TPictureFormat> PictureFormatOf(const QString& fileName);

// The save dialog of every picture command.
inline constexpr const char* SavePictureTitle = "Save Snapshot graphic to:";
inline constexpr const char* SavePictureFilter =
    "JPEG Image File (*.jpg *.jpeg);;PNG file (*.png);;Bitmaps (*.bmp);;PDF file (*.pdf);;SVG file (*.svg);;"
    "Enhanced Metafiles (*.emf);;All (*.jpg *.jpeg *.png *.bmp *.pdf *.svg *.emf)";
inline constexpr const char* SavePictureSuffix = "jpg";

// Bitmaps are made in memory whole: beyond this many pixels (100 MB) the
// picture is refused with a message rather than the program's memory
// exhausted. The vector formats have no such limit.
inline constexpr qint64 MaxBitmapPixels = 25'000'000;
inline constexpr int MaxBitmapSide = 20'000;

// The size of a picture drawn `factor` times as large (halves to even).
QSize ScaledPictureSize(QSize size, double factor);

struct TPictureResult {
    bool Ok = false;
    QString Message;  // why it failed; empty on success
};

// Writes the picture `factor` times as large (the factor does not apply to
// EMF, which keeps the picture's own size). A PDF page is as large in
// points as the picture is in pixels at `screenDpi`.
TPictureResult WritePictureFile(const TPicture& picture, const QString& path, double factor, double screenDpi);

// The picture on white, `size` pixels; a null image and a message when it
// would be larger than a bitmap may be or memory runs out.
QImage PictureBitmap(const TPicture& picture, QSize size, QString* message = nullptr);
// The picture as SVG text (its own size).
QByteArray PictureSvg(const TPicture& picture);
// The picture as EMF bytes (its own size); empty and a message on failure.
QByteArray PictureEmf(const TPicture& picture, QString* message = nullptr);

// The logical dots per inch of the primary screen (96 without one).
double ScreenDpi();

}  // namespace pelmo
