#include "pictures/PictureFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QScreen>
#include <QTemporaryDir>
#include <cmath>

#include "pictures/EmfDevice.h"
#include "pictures/SvgDevice.h"

namespace pelmo {

namespace {

QTransform Stretch(QSize from, QSizeF to) {
    return QTransform::fromScale(to.width() / std::max(1, from.width()), to.height() / std::max(1, from.height()));
}

QString SizeText(QSize s) { return QStringLiteral("%1 x %2").arg(s.width()).arg(s.height()); }

bool WriteSvg(const TPicture& picture, QSize size, QIODevice& out) {
    // The generator ignores clips; the device cuts the drawing to them.
    TSvgDevice svg(out, size, QStringLiteral("Pelmo"));
    return picture.Paint(svg, Stretch(picture.Size, size));
}

bool WritePdf(const TPicture& picture, QSize size, double dpi, QIODevice& out) {
    QPdfWriter pdf(&out);
    pdf.setCreator(QStringLiteral("Pelmo"));
    pdf.setTitle(QStringLiteral("Pelmo"));
    pdf.setResolution(static_cast<int>(std::lround(dpi)));
    const QSizeF points(std::nearbyint(size.width() * 72.0 / dpi), std::nearbyint(size.height() * 72.0 / dpi));
    pdf.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                  QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    // The picture over the whole page.
    return picture.Paint(pdf, Stretch(picture.Size, QSizeF(pdf.width(), pdf.height())));
}

}  // namespace

std::optional<TPictureFormat> PictureFormatOf(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == "png") return TPictureFormat::Png;
    if (ext == "jpg" || ext == "jpeg") return TPictureFormat::Jpeg;
    if (ext == "bmp") return TPictureFormat::Bmp;
    if (ext == "pdf") return TPictureFormat::Pdf;
    if (ext == "svg") return TPictureFormat::Svg;
    if (ext == "emf") return TPictureFormat::Emf;
    return std::nullopt;
}

QSize ScaledPictureSize(QSize size, double factor) {
    return {static_cast<int>(std::nearbyint(size.width() * factor)),
            static_cast<int>(std::nearbyint(size.height() * factor))};
}

double ScreenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

QImage PictureBitmap(const TPicture& picture, QSize size, QString* message) {
    auto fail = [message](const QString& text) {
        if (message) *message = text;
        return QImage();
    };
    if (size.isEmpty()) return fail(QStringLiteral("the picture is empty"));
    if (qint64(size.width()) * size.height() > MaxBitmapPixels || size.width() > MaxBitmapSide ||
        size.height() > MaxBitmapSide)
        return fail(QStringLiteral("The picture would be %1 pixels, more than a bitmap may have (%2 million pixels, "
                                   "%3 a side); choose a smaller size or write it as .svg, .pdf or .emf.")
                        .arg(SizeText(size))
                        .arg(MaxBitmapPixels / 1'000'000)
                        .arg(MaxBitmapSide));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return fail(QStringLiteral("not enough memory for a picture of %1 pixels").arg(SizeText(size)));
    image.fill(Qt::white);
    if (!picture.Paint(image, Stretch(picture.Size, size))) return fail(QStringLiteral("the picture cannot be drawn"));
    return image;
}

QByteArray PictureSvg(const TPicture& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteSvg(picture, picture.Size, buffer);
    return bytes;
}

QByteArray PictureEmf(const TPicture& picture, QString* message) {
    // libUEMF writes to a named file.
    QTemporaryDir dir;
    auto fail = [message](const QString& text) {
        if (message) *message = text;
        return QByteArray();
    };
    if (!dir.isValid()) return fail(QStringLiteral("cannot make a temporary folder: ") + dir.errorString());
    const QString path = dir.filePath(QStringLiteral("picture.emf"));
    {
        TEmfDevice emf(path, picture.Size);
        const bool painted = picture.Paint(emf, QTransform());
        if (!emf.Finish() || !painted) return fail(emf.ErrorText());
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    return file.readAll();
}

TPictureResult WritePictureFile(const TPicture& picture, const QString& path, double factor, double screenDpi) {
    auto fail = [&path](const QString& why) {
        return TPictureResult{false, QStringLiteral("Could not write %1: %2").arg(path, why)};
    };
    const std::optional<TPictureFormat> format = PictureFormatOf(path);
    if (!format) {
        const QString ext = QFileInfo(path).suffix();
        return {false, QStringLiteral("Pictures are written as .png, .jpg, .jpeg, .bmp, .pdf, .svg or .emf files, not "
                                      "as \"%1\"; nothing was written.")
                           .arg(ext.isEmpty() ? QFileInfo(path).fileName() : "." + ext)};
    }
    if (picture.Empty()) return fail(QStringLiteral("the picture is empty"));
    const QSize size = *format == TPictureFormat::Emf ? picture.Size : ScaledPictureSize(picture.Size, factor);
    if (size.isEmpty()) return fail(QStringLiteral("the picture is empty"));

    // Everything that can fail before the file is touched comes first.
    QImage image;
    QByteArray bytes;
    QString why;
    switch (*format) {
        case TPictureFormat::Png:
        case TPictureFormat::Jpeg:
        case TPictureFormat::Bmp:
            image = PictureBitmap(picture, size, &why);
            if (image.isNull()) return {false, why};
            break;
        case TPictureFormat::Emf:
            bytes = PictureEmf(picture, &why);
            if (bytes.isEmpty()) return fail(why);
            break;
        default:
            break;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    bool ok = true;
    switch (*format) {
        case TPictureFormat::Png:
        case TPictureFormat::Jpeg:
        case TPictureFormat::Bmp: {
            const char* name = *format == TPictureFormat::Png ? "png" : *format == TPictureFormat::Jpeg ? "jpg" : "bmp";
            QImageWriter writer(&file, name);
            ok = writer.write(image);
            if (!ok) why = writer.errorString();
            break;
        }
        case TPictureFormat::Pdf:
            ok = WritePdf(picture, size, screenDpi, file);
            if (!ok) why = QStringLiteral("the PDF document could not be made");
            break;
        case TPictureFormat::Svg:
            ok = WriteSvg(picture, size, file);
            if (!ok) why = QStringLiteral("the SVG document could not be made");
            break;
        case TPictureFormat::Emf:
            ok = file.write(bytes) == bytes.size();
            break;
    }
    if (ok && file.error() != QFileDevice::NoError) {
        ok = false;
        why = file.errorString();
    }
    if (!ok) {
        file.cancelWriting();
        return fail(why.isEmpty() ? file.errorString() : why);
    }
    if (!file.commit()) return fail(file.errorString());
    return {true, {}};
}

}  // namespace pelmo
