// The sheet, its pointer shapes, the graphs and the small dialogs on screens
// of any device pixel ratio. CTest runs this program at QT_SCALE_FACTOR 1,
// 1.25 and 2. With PELMO_SCREENSHOT_DIR set, it saves what it drew there.

#include <qcustomplot.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "../GuiTestSupport.h"
#include "../TextFit.h"
#include "dialogs/StepSizeDialog.h"
#include "graphs/GraphWindows.h"
#include "graphs/Plot.h"
#include "graphs/SeriesEdit.h"
#include "graphs/ValueDialog.h"
#include "sheet/Cursors.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

// Share of the 2 x 2 device-pixel squares holding a drawing that are not of
// one colour. A picture drawn at one pixel per logical pixel and scaled up
// by two has none.
double FineDetail(const QImage& picture) {
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    int drawn = 0, mixed = 0;
    for (int y = 0; y + 1 < img.height(); y += 2)
        for (int x = 0; x + 1 < img.width(); x += 2) {
            const QRgb a = img.pixel(x, y), b = img.pixel(x + 1, y), c = img.pixel(x, y + 1),
                       d = img.pixel(x + 1, y + 1);
            if (a == qRgb(255, 255, 255) && b == a && c == a && d == a) continue;
            ++drawn;
            if (b != a || c != a || d != a) ++mixed;
        }
    return drawn ? double(mixed) / drawn : 0;
}

void SaveShot(const QPixmap& pm, const QString& name) {
    const QString dir = qEnvironmentVariable("PELMO_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    const QString scale = QString::number(qApp->devicePixelRatio());
    pm.save(QStringLiteral("%1/%2-x%3.png").arg(dir, name, scale));
}

// Every label, button and list of a dialog shows its whole text: it is at
// least as large as its text needs and lies inside the dialog.
void CheckNothingClipped(QDialog& dialog, const char* name) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    SaveShot(dialog.grab(), name);
    const QStringList faults = CutTexts(dialog, QString::fromLatin1(name));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    dialog.hide();
}

}  // namespace

class TestHighDpi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const QString copy = dir_.filePath("ThreeWay.bkt");
        QVERIFY(QFile::copy(QString(PELMO_SOURCE_DIR) + "/examples/ThreeWay.bkt", copy));
        window_ = std::make_unique<TMainWindow>();
        window_->SetMessageSink(&sink_);
        window_->SetStartupDesign(copy.toStdString());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QCOMPARE(window_->Session().Design().Drivers.size(), std::size_t(3));
        QVERIFY(sink_.Messages.empty());
        ratio_ = window_->devicePixelRatio();
        QCOMPARE(ratio_, qApp->devicePixelRatio());
    }

    void cleanupTestCase() {
        if (window_) window_->close();
        window_.reset();
    }

    void sheetIsDrawnAtDevicePixels() {
        TSheet* sheet = window_->View().Sheet();
        const QRect visible = sheet->visibleRegion().boundingRect();
        QVERIFY(!visible.isEmpty());
        const QPixmap pm = sheet->grab(visible);
        QCOMPARE(pm.devicePixelRatio(), ratio_);
        QCOMPARE(pm.width(), qRound(visible.width() * ratio_));
        SaveShot(window_->grab(), "main-window");
        SaveShot(pm, "sheet");
        SaveShot(window_->Tools().Button(TElementKind::Inductor)->parentWidget()->grab(), "tools");
        // The tool buttons show the same symbols, drawn as finely.
        for (TElementKind kind : {TElementKind::Resistor, TElementKind::Inductor, TElementKind::Capacitor,
                                  TElementKind::Driver, TElementKind::Ground, TElementKind::Text}) {
            const QList<QSize> sizes = window_->Tools().Button(kind)->icon().availableSizes();
            QVERIFY(!sizes.isEmpty());
            QCOMPARE(sizes.front(), QSize(40, 40) * ratio_);
        }
        // The source and the mid-range's input filter, pixel for pixel.
        const QPoint source = Px(*window_, window_->Session().Design().Source.Position);
        SaveShot(sheet->grab(QRect(source - QPoint(40, 60), QSize(330, 150))), "sheet-detail");
        if (ratio_ < 2) QSKIP("the fine-detail check needs two device pixels per logical pixel");
        // Text and slanted strokes drawn at device pixels have edges inside
        // the 2 x 2 squares.
        QVERIFY2(FineDetail(pm.toImage()) > 0.05, qPrintable(QString::number(FineDetail(pm.toImage()))));
    }

    void graphsAreDrawnAtDevicePixels() {
        const auto& windows = window_->GraphWindows().Windows();
        QCOMPARE(windows.size(), std::size_t(2));
        for (TPlotForm* form : windows) {
            QVERIFY(QTest::qWaitForWindowExposed(form));
            QCustomPlot* plot = form->Graph();
            QCOMPARE(plot->bufferDevicePixelRatio(), ratio_);
            plot->replot(QCustomPlot::rpImmediateRefresh);
            const QPixmap pm = plot->grab();
            QCOMPARE(pm.devicePixelRatio(), ratio_);
            SaveShot(form->grab(), form->ChartTitle().section(' ', 0, 0).toLower());
            if (ratio_ >= 2) QVERIFY(FineDetail(pm.toImage()) > 0.05);
        }
    }

    void pointerShapesHaveDevicePixels_data() {
        QTest::addColumn<int>("shape");
        QTest::newRow("zoom") << int(TSheetCursor::Zoom);      // hot spot: the cross in the lens
        QTest::newRow("wire") << int(TSheetCursor::Wire);      // the dot
        QTest::newRow("tune") << int(TSheetCursor::TuneDown);  // the arrow's tip
    }
    void pointerShapesHaveDevicePixels() {
        QFETCH(int, shape);
        const QCursor& cursor = SheetCursor(static_cast<TSheetCursor>(shape));
        const QPixmap pm = cursor.pixmap();
        QVERIFY(!pm.isNull());
        // At least as many pixels as the screen shows, and the same size on
        // every screen: 32 x 32 logical pixels with the hot spot inside.
        QVERIFY(pm.devicePixelRatio() >= ratio_);
        QCOMPARE(pm.deviceIndependentSize(), QSizeF(32, 32));
        QVERIFY(QRect(0, 0, 32, 32).contains(cursor.hotSpot()));
        const QPoint hot = (QPointF(cursor.hotSpot()) * pm.devicePixelRatio()).toPoint();
        QVERIFY(qAlpha(pm.toImage().pixel(hot)) > 128);
        SaveShot(pm, QStringLiteral("cursor%1").arg(shape));
    }

    // The program's icon comes from the SVG in the resources, drawn at the
    // screen's pixels: a filled panel with transparent rounded corners.
    void windowIconIsDrawnFromTheSvg() {
        const QIcon icon(":/icons/pelmo.svg");
        QVERIFY(!icon.isNull());
        const QImage img = icon.pixmap(QSize(32, 32), ratio_).toImage();
        QCOMPARE(img.size(), QSize(32, 32) * ratio_);
        QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(img.pixel(img.width() / 2, img.height() / 4)), 255);
        SaveShot(QPixmap::fromImage(img), "icon");
    }

    void dialogsShowTheirWholeTexts() {
        // The SPL window's system curve: every control of the dialog shows.
        TSeriesEditForm& series = window_->GraphWindows().SeriesEdit();
        series.Window = window_->GraphWindows().Windows().front();
        series.GraphKind = TGraphKind::SPL;
        series.CurveIndex = 0;
        series.CurveName = "Sys";
        series.FileMode = false;
        series.Prepare();
        QVERIFY(series.SmoothingList()->isVisibleTo(&series));
        CheckNothingClipped(series, "curve-settings");

        TValueDialog single;
        CheckNothingClipped(single, "single-value");

        double step = 1;
        TStepSizeDialog stepSize(&step);
        stepSize.SetUpperLabel("step size for the value");
        CheckNothingClipped(stepSize, "step-size");
    }

private:
    QTemporaryDir dir_;
    RecordingSink sink_;
    std::unique_ptr<TMainWindow> window_;
    qreal ratio_ = 1;
};

QTEST_MAIN(TestHighDpi)
#include "tst_highdpi.moc"
