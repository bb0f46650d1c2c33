// The pointer on a graph window, offscreen: the readout on the curve under
// it, and zooming, panning and fitting the axes (with the Scale menu too).

#include <qcustomplot.h>

#include <QtTest>
#include <cmath>

#include "GraphTestDesign.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/PlotReadout.h"
#include "gui/graphs/PlotZoom.h"
#include "gui/widgets/ModalRunner.h"

using namespace pelmo;
using namespace pelmo::test;

namespace {

void SendWheel(QWidget* w, QPoint at, int notches) {
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QCPRange Range(QCPAxis* a) { return a->range(); }

// The values of the window's left-axis curves inside the bottom axis.
QCPRange CurveExtent(TPlotForm* w) {
    double lo = 1e300, hi = -1e300;
    const QCPRange x = w->Graph()->xAxis->range();
    for (const TSeriesDef& c : w->Record().Curves)
        for (std::size_t i = 0; i < c.MagSeries.Count(); ++i) {
            if (!x.contains(c.MagSeries.X[i])) continue;
            lo = std::min(lo, c.MagSeries.Y[i]);
            hi = std::max(hi, c.MagSeries.Y[i]);
        }
    return {lo, hi};
}

bool OnStep(double v, double step) { return std::fabs(v / step - std::round(v / step)) < 1e-6; }

// One graph window of a one-driver design, shown at its usual size and
// solved.
struct OneWindow {
    DriversDesign t{1};
    RecordingSink sink;
    TGraphWindows gw{t.d, sink};
    TPlotForm* w = nullptr;
    QCustomPlot* plot = nullptr;
    explicit OneWindow(TGraphKind kind) {
        w = gw.OpenGraph(kind);
        w->resize(604, 416);
        w->show();
        gw.SolveNow();
        plot = w->Graph();
        plot->replot();
    }
};

}  // namespace

class TestPlotPointer : public QObject {
    Q_OBJECT
private slots:
    void init() {
        SetModalRunner([](QDialog&) { return int(QDialog::Accepted); });
    }
    void cleanup() { SetModalRunner({}); }

    // Near a curve the readout names it and gives its value at the
    // pointer's frequency, with a marker on it; Shift, or a pointer far from
    // every curve, gives the pointer's own position.
    void theReadoutTakesTheCurveUnderThePointer() {
        OneWindow one(TGraphKind::Impedance);
        TPlotForm* z = one.w;
        QCustomPlot* plot = one.plot;
        TPlotReadout& readout = z->PointerReadout();
        const double ohms = z->Record().Curves[0].MagSeries.Y[250];  // flat: 8 + 2 ohms
        const int x = static_cast<int>(plot->xAxis->coordToPixel(1000));
        const int onCurve = static_cast<int>(plot->yAxis->coordToPixel(ohms));
        struct Case {
            int dy;
            Qt::KeyboardModifiers modifiers;
            bool snapped;
        } cases[] = {{0, Qt::NoModifier, true},
                     {TPlotReadout::SnapPixels - 4, Qt::NoModifier, true},
                     {-(TPlotReadout::SnapPixels - 4), Qt::NoModifier, true},
                     {TPlotReadout::SnapPixels + 10, Qt::NoModifier, false},
                     {5, Qt::ShiftModifier, false}};
        for (const Case& c : cases) {
            readout.MouseMove({x, onCurve + c.dy}, c.modifiers);
            const QString text = readout.Label()->text();
            QCOMPARE(readout.SnappedCurve() == 0, c.snapped);
            QCOMPARE(readout.Marker()->isVisibleTo(z), c.snapped);
            QCOMPARE(text.startsWith("System: "), c.snapped);
            if (c.snapped) {
                QCOMPARE(readout.Cursor().Y, ohms);
                QVERIFY(std::abs(readout.Marker()->geometry().center().y() - onCurve) <= 1);
            }
        }
        // The delta reference is the point on the curve.
        readout.MouseMove({x, onCurve + 10});
        readout.SetDeltaReferenceClick();
        QCOMPARE(readout.DeltaRef().Y, ohms);
        readout.MouseMove({x + 50, onCurve - 10});
        QVERIFY2(readout.Label()->text().contains(QRegularExpression("d=\\[[0-9.]+kHz, 0 Ohms")),
                 qPrintable(readout.Label()->text()));
    }

    // The wheel zooms the axis it is over around the pointer; over the plot
    // the frequency axis. The zoom stays through the next solve.
    void theWheelZoomsTheAxisUnderThePointer() {
        OneWindow one(TGraphKind::Impedance);
        TGraphWindows& gw = one.gw;
        TPlotForm* w = one.w;
        QCustomPlot* plot = one.plot;
        const QRect r = plot->axisRect()->rect();
        struct Case {
            const char* where;
            QPoint at;
            QCPAxis* zoomed;
            QCPAxis* kept;
        } cases[] = {
            {"plot", r.center(), plot->xAxis, plot->yAxis},
            {"bottom axis", {r.center().x(), r.bottom() + 10}, plot->xAxis, plot->yAxis},
            {"left axis", {r.left() - 10, r.center().y()}, plot->yAxis, plot->xAxis},
            {"right axis", {r.right() + 10, r.center().y()}, plot->yAxis2, plot->xAxis},
        };
        for (const Case& c : cases) {
            QTest::qWait(0);
            w->Zoom().Default();
            plot->replot();
            const QCPRange before = Range(c.zoomed), kept = Range(c.kept);
            const bool horizontal = c.zoomed->orientation() == Qt::Horizontal;
            const double valueAt = c.zoomed->pixelToCoord(horizontal ? c.at.x() : c.at.y());
            SendWheel(plot, c.at, 2);
            QVERIFY2(Range(c.zoomed).size() < before.size(), c.where);
            QCOMPARE(Range(c.kept), kept);
            plot->replot();
            const double now = c.zoomed->pixelToCoord(horizontal ? c.at.x() : c.at.y());
            if (horizontal)
                QVERIFY2(std::fabs(now / valueAt - 1) < 0.02, c.where);
            else
                QVERIFY2(std::fabs(now - valueAt) < 0.02 * Range(c.zoomed).size(), c.where);
        }
        const QCPRange zoomed = Range(plot->yAxis2);
        gw.SolveNow();
        QCOMPARE(Range(plot->yAxis2), zoomed);
    }

    // Double-click and Scale > Fit fit the left axis to the curves on a
    // round step; Scale > Default goes back; a voltage window fits itself
    // when its curve first arrives.
    void fitAndDefault() {
        OneWindow one(TGraphKind::Impedance);
        TGraphWindows& gw = one.gw;
        TPlotForm* z = one.w;
        QCustomPlot* plot = one.plot;
        const QCPRange specified = Range(plot->yAxis);
        SendMouse(plot, QEvent::MouseButtonDblClick, plot->axisRect()->rect().center(), Qt::LeftButton, Qt::LeftButton);
        const QCPRange fitted = Range(plot->yAxis), extent = CurveExtent(z);
        QVERIFY(fitted.lower <= extent.lower && fitted.upper >= extent.upper);
        const double step = plot->yAxis->ticker().dynamicCast<QCPAxisTickerFixed>()->tickStep();
        QVERIFY(OnStep(fitted.lower, step) && OnStep(fitted.upper, step));
        QVERIFY(fitted.size() / step <= 10.5);
        QVERIFY(fitted != specified);

        QAction* def = z->findChild<QAction*>("Default");
        QVERIFY(def);
        def->trigger();
        QCOMPARE(Range(plot->yAxis), specified);
        QAction* fit = z->findChild<QAction*>("Fit");
        fit->trigger();
        QCOMPARE(Range(plot->yAxis), fitted);

        TPlotForm* v = gw.OpenGraph(TGraphKind::Voltage);
        QVERIFY(FindItem(v->CurvesMenu(), "S1"));
        FindItem(v->CurvesMenu(), "S1")->trigger();
        gw.SolveNow();
        const QCPRange vr = Range(v->Graph()->yAxis), ve = CurveExtent(v);
        QVERIFY(vr.lower <= ve.lower && vr.upper >= ve.upper);
        QVERIFY(vr.size() < 4 * (ve.upper - ve.lower) + 1);
    }

    // The middle button drags the curves; a left-button box zooms into it.
    void middleButtonPansAndABoxZooms() {
        OneWindow one(TGraphKind::SPL);
        TPlotForm* w = one.w;
        QCustomPlot* plot = one.plot;
        const QPoint from = plot->axisRect()->rect().center(), to = from + QPoint(40, 30);
        const double fx = plot->xAxis->pixelToCoord(from.x()), fy = plot->yAxis->pixelToCoord(from.y());
        SendMouse(plot, QEvent::MouseButtonPress, from, Qt::MiddleButton, Qt::MiddleButton);
        SendMouse(plot, QEvent::MouseMove, to, Qt::NoButton, Qt::MiddleButton);
        SendMouse(plot, QEvent::MouseButtonRelease, to, Qt::MiddleButton, Qt::NoButton);
        plot->replot();
        QVERIFY(std::fabs(plot->xAxis->pixelToCoord(to.x()) / fx - 1) < 0.01);
        QVERIFY(std::fabs(plot->yAxis->pixelToCoord(to.y()) - fy) < 0.2);

        w->Zoom().Default();
        plot->replot();
        const QCPRange x = Range(plot->xAxis);
        SendMouse(plot, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        SendMouse(plot, QEvent::MouseMove, from + QPoint(60, 40), Qt::NoButton, Qt::LeftButton);
        SendMouse(plot, QEvent::MouseButtonRelease, from + QPoint(60, 40), Qt::LeftButton, Qt::NoButton);
        QVERIFY(Range(plot->xAxis).size() < x.size());
        QVERIFY(Range(plot->xAxis).lower > x.lower);
    }
};

QTEST_MAIN(TestPlotPointer)
#include "tst_plotpointer.moc"
