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

#include "base/MessageSink.h"
#include "graphs/GraphWindows.h"
#include "graphs/Plot.h"
#include "pictures/PictureDialogs.h"
#include "pictures/PictureFile.h"
#include "pictures/PictureOutput.h"

namespace pelmo {

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
    const QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : GraphPictureSize(TGraphPictureSize::Large, *form.Graph());
    QString why;
    if (!PrintPicture(printer, ChartPicture(*form.Graph(), size), &why))
        owner.Messages().ShowMessage(why.toStdString());
}

}  // namespace pelmo
