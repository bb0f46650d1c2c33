// The "Tolerance" band of the SPL and impedance windows, offscreen: switched
// on from the Curves menu it is computed off the GUI thread, drawn as a
// shaded band under the curves, follows an edit (only the newest request is
// drawn) and goes away when switched off. With PELMO_SCREENSHOT_DIR set, the
// three-way's SPL window with its band is written there as a PNG.

#include <qcustomplot.h>

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "GraphTestDesign.h"
#include "document/DocumentFlow.h"
#include "graphs/GraphRecord.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/ToleranceBand.h"
#include "model/Design.h"

using namespace pelmo;
using namespace pelmo::test;

namespace {


// The widest p5 ... p95 and the frequency of it.
double Widest(const pelmo::TToleranceView& band, double* at = nullptr) {
    const auto& b = band.Last().Bands.at(0);
    double widest = 0;
    for (std::size_t k = 0; k < b.P5.size(); ++k)
        if (b.P95[k] - b.P5[k] > widest) {
            widest = b.P95[k] - b.P5[k];
            if (at) *at = b.Frequency[k];
        }
    return widest;
}

}  // namespace

// The bands are waited for generously: the sanitizer build solves many
// times slower.
class TestToleranceBand : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecordingSink sink_;

    bool OpenThreeWay(TDesign& d) {
        const QString path = dir_.filePath("ThreeWay.bkt");
        if (!QFile::exists(path) && !QFile::copy(QString(PELMO_SOURCE_DIR) + "/examples/ThreeWay.bkt", path))
            return false;
        return OpenDesignFile(d, path.toStdString(), sink_);
    }

private slots:
    void bandIsDrawnUnderTheCurvesAndFollowsAnEdit() {
        TDesign d;
        QVERIFY(OpenThreeWay(d));
        TGraphWindows gw(d, sink_);
        TPlotForm* spl = gw.OpenGraph(TGraphKind::SPL);
        spl->resize(1260, 780);
        TToleranceView* band = spl->ToleranceBand();
        QVERIFY(band);
        QAction* item = FindItem(spl->CurvesMenu(), "Tolerance");
        QVERIFY(item);
        QVERIFY(item->isCheckable());
        QVERIFY(!item->isChecked());
        QVERIFY(!band->P5());  // nothing made before it is asked for

        item->trigger();
        QVERIFY(band->On());
        QVERIFY(band->Pending());  // computed off the GUI thread: not there yet
        QTRY_VERIFY_WITH_TIMEOUT(!band->Pending(), 120000);
        QCOMPARE(band->Completed(), 1);
        QVERIFY2(band->Last().Ok, band->Last().Failure.c_str());
        QCOMPARE(band->Last().Runs, 500);
        QCOMPARE(band->P5()->data()->size(), 500);
        QCOMPARE(band->P95()->data()->size(), 500);
        QVERIFY(band->P5()->visible());
        QVERIFY(band->Min()->visible());
        // The examples record no tolerances: the window takes 5 %.
        double at = 0;
        const double widest = Widest(*band, &at);
        QVERIFY2(widest > 0.3 && widest < 6, qPrintable(QString::number(widest)));

        // The nominal curve is the window's System curve, drawn on top.
        const int system = FindCurve(spl->Record(), SystemCurveName);
        QVERIFY(system >= 0);
        const auto& nominal = band->Last().Bands[0].Nominal;
        const TChartCurve& shown = spl->Record().Curves[static_cast<std::size_t>(system)].MagSeries;
        QCOMPARE(nominal.size(), shown.Count());
        for (std::size_t k = 0; k < nominal.size(); ++k) QVERIFY(std::fabs(nominal[k] - shown.Y[k]) < 1e-9);
        QCustomPlot* plot = spl->Graph();
        QVERIFY(plot->layer("tolerance"));
        QVERIFY(plot->layer("tolerance")->index() < plot->layer("main")->index());
        QCOMPARE(spl->MagGraph(system)->layer()->name(), QString("main"));
        QVERIFY(plot->legend->hasItemWithPlottable(band->P5()));

        // Drawn: between p5 and p95 where the band is widest, just off the
        // nominal curve, the chart is tinted with the System curve's blue.
        const auto& b = band->Last().Bands[0];
        std::size_t k = 0;
        while (b.Frequency[k] < at) ++k;
        plot->replot();
        const QImage image = plot->toPixmap().toImage();
        const double x = plot->xAxis->coordToPixel(b.Frequency[k]);
        const double top = plot->yAxis->coordToPixel(b.P95[k]), bottom = plot->yAxis->coordToPixel(b.P5[k]);
        const double nominalY = plot->yAxis->coordToPixel(b.Nominal[k]);
        // The farther side of the band from the nominal curve.
        const double y = std::fabs(top - nominalY) > std::fabs(bottom - nominalY) ? (top + nominalY) / 2
                                                                                   : (bottom + nominalY) / 2;
        const QColor pixel = image.pixelColor(static_cast<int>(x), static_cast<int>(y));
        QVERIFY2(pixel.blue() > pixel.red() + 30 && pixel.red() < 235,
                 qPrintable(QString("pixel %1 at %2,%3").arg(pixel.name()).arg(x).arg(y)));

        if (const QByteArray shots = qgetenv("PELMO_SCREENSHOT_DIR"); !shots.isEmpty())
            QVERIFY(plot->savePng(QString::fromLocal8Bit(shots) + "/tolerance-threeway-spl.png", 1260, 780));

        // An edit: the woofer's first inductor doubled. The solve returns at
        // once; the band follows a moment later, for the new design.
        const std::vector<double> before = b.P50;
        d.Parts[0]->Value *= 2;
        gw.SolveNow();
        QVERIFY(band->Pending());
        QTRY_VERIFY_WITH_TIMEOUT(!band->Pending(), 120000);
        QCOMPARE(band->Completed(), 2);
        const auto& after = band->Last().Bands[0];
        double moved = 0;
        for (std::size_t i = 0; i < before.size(); ++i) moved = std::max(moved, std::fabs(after.P50[i] - before[i]));
        QVERIFY2(moved > 0.5, qPrintable(QString::number(moved)));
        for (std::size_t i = 0; i < after.Nominal.size(); ++i)
            QVERIFY(std::fabs(after.Nominal[i] - shown.Y[i]) < 1e-9);

        // Several edits in a row, each asking at once: only the newest is drawn.
        band->DelayMs = 0;
        for (int i = 0; i < 3; ++i) {
            d.Parts[0]->Value *= 0.8;
            gw.SolveNow();
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!band->Pending(), 120000);
        QVERIFY(band->Completed() >= 3 && band->Completed() <= 5);
        for (std::size_t i = 0; i < band->Last().Bands[0].Nominal.size(); ++i)
            QVERIFY(std::fabs(band->Last().Bands[0].Nominal[i] - shown.Y[i]) < 1e-9);

        // Off: the band goes and a late result is not drawn.
        item->trigger();
        QVERIFY(!band->On());
        QVERIFY(!band->P5()->visible());
        QVERIFY(!band->Min()->visible());
        QVERIFY(!plot->legend->hasItemWithPlottable(band->P5()));
        const int completed = band->Completed();
        gw.SolveNow();
        QTest::qWait(300);
        QCOMPARE(band->Completed(), completed);
    }

    void impedanceWindowHasItsBandAndOtherKindsHaveNone() {
        TDesign d;
        QVERIFY(OpenThreeWay(d));
        TGraphWindows gw(d, sink_);
        TPlotForm* z = gw.OpenGraph(TGraphKind::Impedance);
        TPlotForm* power = gw.OpenGraph(TGraphKind::Power);
        QVERIFY(!power->ToleranceBand());
        QVERIFY(!FindItem(power->CurvesMenu(), "Tolerance"));
        QVERIFY(z->ToleranceBand());
        FindItem(z->CurvesMenu(), "Tolerance")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!z->ToleranceBand()->Pending(), 120000);
        const TToleranceOutcome& out = z->ToleranceBand()->Last();
        QVERIFY2(out.Ok, out.Failure.c_str());
        QCOMPARE(out.Bands[0].Curve.Kind, TToleranceCurveKind::Impedance);
        QVERIFY(Widest(*z->ToleranceBand()) > 0.05);  // ohms
        if (const QByteArray shots = qgetenv("PELMO_SCREENSHOT_DIR"); !shots.isEmpty())
            QVERIFY(z->Graph()->savePng(QString::fromLocal8Bit(shots) + "/tolerance-threeway-impedance.png", 1260, 780));
        // Closing the window while a band is on its way ends its thread.
        gw.SolveNow();
        QVERIFY(z->ToleranceBand()->Pending());
        delete z;
    }
};

QTEST_MAIN(TestToleranceBand)
#include "tst_toleranceband.moc"
