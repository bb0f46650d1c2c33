#include "gui/pictures/PictureOutput.h"

#include <QMimeData>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <cmath>

#include "gui/pictures/PictureFile.h"

namespace pelmo {

QMimeData* PictureMimeData(const TPicture& picture, bool vector, QString* message) {
    const QImage bitmap = PictureBitmap(picture, picture.Size, message);
    if (bitmap.isNull()) return nullptr;
    auto* data = new QMimeData;
    data->setImageData(bitmap);
    if (vector) {
        data->setData(QStringLiteral("image/svg+xml"), PictureSvg(picture));
        const QByteArray emf = PictureEmf(picture);
        if (!emf.isEmpty()) data->setData(QString::fromLatin1(EmfMimeType), emf);
    }
    return data;
}

QRect PrintRect(int pageWidth, int pageHeight, bool landscape, QSize picture) {
    const int pw = pageWidth, ph = pageHeight;
    const int top = pw / 9;
    const int left = landscape ? pw / 11 : pw / 9;
    const int right = pw - pw / 11;
    const int bottomLimit = ph - ph / 11;
    if (picture.isEmpty() || right <= left || bottomLimit <= top) return {};
    int width = right - left;
    int height = static_cast<int>(std::lround(double(picture.height()) * width / picture.width()));
    if (top + height > bottomLimit) {
        // One scale for both directions: the page's height decides.
        height = bottomLimit - top;
        width = static_cast<int>(std::lround(double(picture.width()) * height / picture.height()));
    }
    return {left, top, width, height};
}

bool PrintPicture(QPrinter& printer, const TPicture& picture, QString* message) {
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    const QRect rect = PrintRect(printer.width(), printer.height(), landscape, picture.Size);
    if (rect.isEmpty() || picture.Empty()) {
        if (message) *message = QStringLiteral("nothing to print");
        return false;
    }
    QTransform world = QTransform::fromTranslate(rect.left(), rect.top());
    world.scale(double(rect.width()) / picture.Size.width(), double(rect.height()) / picture.Size.height());
    if (picture.Paint(printer, world)) return true;
    if (message) *message = QStringLiteral("The printer could not be started.");
    return false;
}

}  // namespace pelmo
