#pragma once

// Reads written pictures back with readers that share no code with the
// writer: Qt's image readers for the bitmaps, QSvgRenderer for SVG,
// poppler's pdfinfo and pdftoppm for PDF, emf2svg-conv for EMF. What comes
// back is the size the reader sees, the picture rendered to a bitmap and,
// for the vector formats, the texts written in it.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace pelmo::guitest {

struct TReadBack {
    bool Ok = false;
    QString Error;
    QSize Size;         // pixels; a PDF's page in points
    QImage Rendered;    // what a viewer would show
    QStringList Texts;  // the <text> elements of SVG (EMF through its SVG)
    QByteArray Svg;     // the SVG itself (EMF: what emf2svg made of it)
};

inline QStringList SvgTexts(const QByteArray& svg) {
    QStringList texts;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
    return texts;
}

inline QImage RenderSvg(const QByteArray& svg, QSize size) {
    QSvgRenderer r(svg);
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    r.render(&p);
    return img;
}

// Runs a tool; its standard output, or a null array when it failed.
inline QByteArray RunTool(const QString& program, const QStringList& args, QString* error) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = program + " failed: " + QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    QByteArray out = p.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}

inline TReadBack ReadPicture(const QString& path) {
    TReadBack r;
    const QString ext = QFileInfo(path).suffix().toLower();
    QTemporaryDir work;
    if (ext == "svg" || ext == "emf") {
        QString svgPath = path;
        if (ext == "emf") {
            svgPath = work.filePath("emf.svg");
            if (RunTool("emf2svg-conv", {"-i", path, "-o", svgPath}, &r.Error).isNull()) return r;
        }
        QFile f(svgPath);
        if (!f.open(QIODevice::ReadOnly)) {
            r.Error = "cannot read " + svgPath;
            return r;
        }
        const QByteArray svg = f.readAll();
        QSvgRenderer renderer(svg);
        if (!renderer.isValid()) {
            r.Error = "not a valid SVG";
            return r;
        }
        // QSvgGenerator gives its size in mm and the pixels in the view box;
        // emf2svg gives pixels (its bounds, one less than the picture).
        const QRectF box = renderer.viewBoxF();
        r.Size = box.isEmpty() ? renderer.defaultSize() : box.size().toSize();
        r.Rendered = RenderSvg(svg, r.Size);
        r.Texts = SvgTexts(svg);
        r.Svg = svg;
    } else if (ext == "pdf") {
        const QByteArray info = RunTool("pdfinfo", {path}, &r.Error);
        if (info.isNull()) return r;
        const QRegularExpressionMatch m =
            QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)").match(QString::fromLatin1(info));
        if (!m.hasMatch()) {
            r.Error = "pdfinfo shows no page size";
            return r;
        }
        r.Size = QSize(qRound(m.captured(1).toDouble()), qRound(m.captured(2).toDouble()));
        const QString png = work.filePath("page");
        if (RunTool("pdftoppm", {"-png", "-r", "72", "-singlefile", path, png}, &r.Error).isNull()) return r;
        r.Rendered = QImage(png + ".png");
    } else {
        QImageReader reader(path);
        r.Rendered = reader.read();
        if (r.Rendered.isNull()) {
            r.Error = reader.errorString();
            return r;
        }
        r.Size = r.Rendered.size();
    }
    r.Ok = !r.Rendered.isNull();
    if (!r.Ok && r.Error.isEmpty()) r.Error = "nothing rendered";
    return r;
}

// Pixels clearly darker than the white paper.
inline int DarkPixels(const QImage& img) {
    int n = 0;
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (qGray(rgb.pixel(x, y)) < 128) ++n;
    return n;
}

}  // namespace pelmo::guitest
