#include "graphs/GraphPicture.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPrinter>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "base/MessageSink.h"
#include "graphs/GraphWindows.h"
#include "graphs/Plot.h"
#include "pictures/PictureDialogs.h"
#include "pictures/PictureFile.h"
#include "pictures/PictureOutput.h"

namespace pelmo {

namespace {

// The chart's size in screen pixels for a page of `pageWidth` x `pageHeight`
// printer pixels at `printerDpi`: the part of the page a picture of `shape`
// fills, at the screen's `screenDpi`. Empty when the page has no room.
QSize PrintedChartSize(QSize shape, int pageWidth, int pageHeight, bool landscape, double printerDpi,
                       double screenDpi) {
    const QRect onPage = PrintRect(pageWidth, pageHeight, landscape, shape);
    if (onPage.isEmpty() || printerDpi <= 0 || screenDpi <= 0) return {};
    const double perPixel = printerDpi / screenDpi;
    return {std::max(1, static_cast<int>(std::lround(onPage.width() / perPixel))),
            std::max(1, static_cast<int>(std::lround(onPage.height() / perPixel)))};
}

}  // namespace

QSize GraphPictureSize(TGraphPictureSize which, const QCustomPlot& chart) {
    switch (which) {
        case TGraphPictureSize::Large:
            return {1260, 780};
        case TGraphPictureSize::Small:
            return {604, 424};
        case TGraphPictureSize::AsShown:
            break;
    }
    return chart.size();
}

TPicture ChartPicture(QCustomPlot& chart, QSize size) {
    TPicture picture;
    picture.Size = size;
    QPointer<QCustomPlot> plot(&chart);
    picture.Paint = [plot, size](QPaintDevice& device, const QTransform& world) {
        if (!plot) return false;
        QCPPainter painter;
        if (!painter.begin(&device)) return false;
        // Files, printers and the vector formats get lines where they are,
        // without the half-pixel shift that sharpens bitmaps.
        const int type = device.devType();
        if (type != QInternal::Image && type != QInternal::Pixmap) painter.setMode(QCPPainter::pmVectorized);
        painter.setTransform(world);
        plot->toPainter(&painter, size.width(), size.height());
        painter.end();
        // The chart on screen lays itself out for its own size again at
        // once: the pointer's readout maps pixels through that layout.
        plot->replot();
        return true;
    };
    return picture;
}

void AddGraphPictureItems(TPlotForm& form, TGraphWindows& owner, QMenu* file) {
    file->addSeparator();
    QMenu* toFile = file->addMenu("To Picture File");
    using S = TGraphPictureSize;
    for (auto [caption, size] : {std::pair{"Large", S::Large}, {"Small", S::Small}, {"AsShown", S::AsShown}})
        // (a copy of the binding: clang before 16 captures no structured bindings)
        toFile->addAction(caption, &form, [&form, &owner, size = size] { GraphToFile(form, owner, size); });
    QMenu* clipboard = file->addMenu("To Clipboard");
    clipboard->addAction("As Vector Graphic", &form, [&form, &owner] { GraphToClipboard(form, owner, true); });
    clipboard->addAction("As Bitmap", &form, [&form, &owner] { GraphToClipboard(form, owner, false); });
    file->addAction("Print", &form, [&form, &owner] { GraphPrint(form, owner); });
}

void GraphToFile(TPlotForm& form, TGraphWindows& owner, TGraphPictureSize size) {
    const QString path = owner.ChooseSaveFile
                             ? owner.ChooseSaveFile(&form, SavePictureTitle, SavePictureFilter, SavePictureSuffix)
                             : QString();
    if (path.isEmpty()) return;
    QCustomPlot& chart = *form.Graph();
    const TPictureResult written =
        WritePictureFile(ChartPicture(chart, GraphPictureSize(size, chart)), path, 1.0, ScreenDpi());
    if (!written.Ok) owner.Messages().ShowMessage(written.Message.toStdString());
}

void GraphToClipboard(TPlotForm& form, TGraphWindows& owner, bool vector) {
    QCustomPlot& chart = *form.Graph();
    QString why;
    QMimeData* data = PictureMimeData(ChartPicture(chart, chart.size()), vector, &why);
    if (!data) {
        owner.Messages().ShowMessage(why.toStdString());
        return;
    }
    QApplication::clipboard()->setMimeData(data);
}

void GraphPrint(TPlotForm& form, TGraphWindows& owner) {
    QPrinter printer;
    if (!owner.ChoosePrinter || !owner.ChoosePrinter(&form, printer)) return;
    // The screen's shape, laid out for the page: a chart drawn at the
    // screen's size and shrunk onto the page would print its text at a
    // few points.
    const QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    const QSize shape = screen ? screen->size() : GraphPictureSize(TGraphPictureSize::Large, *form.Graph());
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    const QSize size =
        PrintedChartSize(shape, printer.width(), printer.height(), landscape, printer.resolution(), ScreenDpi());
    QString why;
    if (size.isEmpty() || !PrintPicture(printer, ChartPicture(*form.Graph(), size), &why))
        owner.Messages().ShowMessage(why.isEmpty() ? "nothing to print" : why.toStdString());
}

}  // namespace pelmo
