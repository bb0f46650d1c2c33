// The graph windows kept with the design, placed on the screen, tiled, and
// their legends dragged and put outside.

#include <qcustomplot.h>

#include <QDialog>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../GuiTestSupport.h"
#include "files/DesignFile.h"
#include "graphs/WindowLayout.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/PlotLegend.h"
#include "gui/graphs/PlotZoom.h"
#include "gui/widgets/ModalRunner.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

TWindowRect ToRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

QRect Screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

std::vector<TGraphKind> Kinds(TGraphWindows& gw) {
    std::vector<TGraphKind> out;
    for (TPlotForm* w : gw.Windows()) out.push_back(w->Kind());
    return out;
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

// A left-button drag over the chart, as the user's hand makes it.
void Drag(TPlotForm* w, QPoint from, QPoint to) {
    QCustomPlot* plot = w->Graph();
    SendMouse(plot, QEvent::MouseButtonPress, from, Qt::LeftButton);
    SendMouse(plot, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    SendMouse(plot, QEvent::MouseMove, to, Qt::LeftButton);
    SendMouse(plot, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

QString FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return QString::fromStdString(s.str());
}

}  // namespace

class TestWindowLayout : public QObject {
    Q_OBJECT
private slots:
    void init() {
        SetModalRunner([](QDialog&) { return int(QDialog::Accepted); });
    }
    void cleanup() {
        SetModalRunner(nullptr);
        SetMenuRunner(nullptr);
    }

    void savedWindowsComeBackWhenTheDesignIsOpened() {
        QTemporaryDir dir;
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        OpenExampleCopy(w, dir.path(), "TwoWay.bkt");
        TGraphWindows& gw = w.GraphWindows();
        QCOMPARE(gw.Windows().size(), std::size_t(2));

        // One window zoomed, one with two curves and a moved legend, a third
        // with its own scale, its legend outside and moved by the user.
        TPlotForm* spl = gw.Windows()[0];
        spl->Zoom().ZoomAxis(spl->Graph()->xAxis, 0.5, spl->Graph()->axisRect()->center());
        spl->Zoom().ZoomAxis(spl->Graph()->yAxis, 0.8, spl->Graph()->axisRect()->center());
        TPlotForm* z = gw.Windows()[1];
        z->CurveItemClick(QString("S1 (lookback)"), false);
        QCOMPARE(z->Record().Curves.size(), std::size_t(2));
        z->Legend().MoveTo({0.1, 0.5});
        TPlotForm* delay = gw.OpenGraph(TGraphKind::GroupDelay);
        delay->Record().UsecPerDiv = 100;
        delay->Legend().SetOutside(true);
        delay->resize(500, 350);
        delay->move(Screen().topLeft() + QPoint(40, 60));
        const std::vector<TWindowLayout> before = gw.Layout();

        const std::string saved = (dir.path() + "/saved.bkt").toStdString();
        w.ChooseSaveFile = [saved](const std::string&, const std::string&) { return saved; };
        MenuAction(w, "File", "Save As")->trigger();
        QVERIFY(sink.Messages.empty());
        const QString text = FileText(saved);
        QVERIFY(text.contains("window.1.kind = spl\r\n"));
        QVERIFY(text.contains("window.2.curves = System, S1 (lookback)\r\n"));
        QVERIFY(text.contains("window.3.legend = outside\r\n"));
        // Saving changed nothing in the design itself.
        QVERIFY(!w.Session().Design().Modified);
        QVERIFY(!w.Session().Design().Settings.Has("window.1.kind"));
        // Undo has nothing to undo from the save.
        QVERIFY(!w.Session().History().CanUndo());

        // Another design: the default windows. Then the saved one again.
        OpenExampleCopy(w, dir.path(), "ThreeWay.bkt");
        QCOMPARE(Kinds(gw), (std::vector<TGraphKind>{TGraphKind::SPL, TGraphKind::Impedance}));
        w.ChooseOpenFile = [saved](const std::string&, const std::string&) { return saved; };
        MenuAction(w, "File", "Open")->trigger();
        QVERIFY(sink.Messages.empty());
        const std::vector<TWindowLayout> after = gw.Layout();
        QCOMPARE(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            QCOMPARE(after[i].Kind, before[i].Kind);
            QVERIFY(after[i].Curves == before[i].Curves);
            QCOMPARE(after[i].DbPerDiv, before[i].DbPerDiv);
            QCOMPARE(after[i].UsecPerDiv, before[i].UsecPerDiv);
            QVERIFY(after[i].Bottom == before[i].Bottom);
            QVERIFY(after[i].Left == before[i].Left);
            QVERIFY(after[i].Legend == before[i].Legend);
            QVERIFY(after[i].Geometry == before[i].Geometry);
            QCOMPARE(after[i].WindowNumber, before[i].WindowNumber);
        }
        // The curves were solved, the legends are where they were kept.
        QVERIFY(gw.Windows()[1]->Record().Curves[1].MagSeries.Count() > 0);
        QVERIFY(gw.Windows()[2]->Graph()->legend->outerRect().left() >=
                gw.Windows()[2]->Graph()->axisRect()->outerRect().right());
        QVERIFY(!w.Session().Design().Modified);
        QVERIFY(!w.Session().History().CanUndo());
        // A new window of a kind already open takes the next number.
        QCOMPARE(gw.OpenGraph(TGraphKind::GroupDelay)->ChartTitle(), QString("Group Delay (#2)"));
        w.Session().Design().Modified = false;
        QVERIFY(w.close());
    }

    void garbageWindowKeysNeverBreakTheOpen_data() {
        QTest::addColumn<QStringList>("lines");  // key=value
        QTest::addColumn<int>("windows");        // 0: the default two
        QTest::newRow("unknown kind") << QStringList{"window.1.kind=oscilloscope"} << 0;
        QTest::newRow("numbering not from 1") << QStringList{"window.2.kind=spl"} << 0;
        QTest::newRow("empty kind") << QStringList{"window.1.kind="} << 0;
        QTest::newRow("absurd numbers") << QStringList{"window.1.kind=impedance",
                                                       "window.1.geometry=99999 -99999 20000 20000",
                                                       "window.1.xaxis=0 0",
                                                       "window.1.yaxis=nan 3",
                                                       "window.1.number=-7",
                                                       "window.1.ohms_per_div=0",
                                                       "window.1.curves=S9, ,,Q, system (lookback)"}
                                        << 1;
        QTest::newRow("legend and curves of text")
            << QStringList{"window.1.kind=spl", "window.1.legend=sideways", "window.1.curve.1.colour=blue",
                           "window.1.curves=System", "window.1.curve.1.phase=maybe"}
            << 1;
    }
    void garbageWindowKeysNeverBreakTheOpen() {
        QFETCH(QStringList, lines);
        QFETCH(int, windows);
        QTemporaryDir dir;
        TDesign d;
        for (const QString& line : lines)
            d.Settings.Set(line.section('=', 0, 0).toStdString(), line.section('=', 1).toStdString());
        const std::string path = (dir.path() + "/garbage.bkt").toStdString();
        SilentMessageSink quiet;
        QVERIFY(WriteDesign(d, path, quiet));

        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.ChooseOpenFile = [path](const std::string&, const std::string&) { return path; };
        MenuAction(w, "File", "Open")->trigger();
        QVERIFY(sink.Messages.empty());
        TGraphWindows& gw = w.GraphWindows();
        if (windows == 0)
            QCOMPARE(Kinds(gw), (std::vector<TGraphKind>{TGraphKind::SPL, TGraphKind::Impedance}));
        else
            QCOMPARE(static_cast<int>(gw.Windows().size()), windows);
        for (TPlotForm* g : gw.Windows()) {
            QVERIFY2(Screen().contains(g->frameGeometry()), qPrintable(g->ChartTitle()));
            QVERIFY(g->Record().OhmsPerDiv > 0);
            QVERIFY(g->Graph()->xAxis->range().lower < g->Graph()->xAxis->range().upper);
        }
        QVERIFY(w.close());
    }

    void newWindowsStayOnTheScreenAndTileWithoutOverlap() {
        TMainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        TGraphWindows& gw = w.GraphWindows();
        const QRect screen = Screen();
        // Beside the main window, the first new window lies over none.
        const TPlotForm* first = gw.OpenGraph(TGraphKind::Power);
        if (screen.width() >= 1280) QVERIFY(!first->frameGeometry().intersects(w.frameGeometry()));
        for (int i = 0; i < 12; ++i) {
            TPlotForm* g = gw.OpenGraph(i % 2 ? TGraphKind::Filter : TGraphKind::Voltage);
            QVERIFY2(screen.contains(g->frameGeometry()), qPrintable(QString("%1: %2,%3 %4x%5 min %6x%7")
                                                                         .arg(i)
                                                                         .arg(g->x())
                                                                         .arg(g->y())
                                                                         .arg(g->frameGeometry().width())
                                                                         .arg(g->frameGeometry().height())
                                                                         .arg(g->minimumWidth())
                                                                         .arg(g->minimumHeight())));
        }
        // Tiled: every window on the screen, beside the main window; where
        // the cells have room for a window, none overlaps another.
        MenuAction(w, "Window", "Tile")->trigger();
        const auto& windows = gw.Windows();
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const QRect r = windows[i]->frameGeometry();
            QVERIFY2(screen.contains(r), qPrintable(QString("%1: %2 %3 %4 %5 in %6 x %7")
                                                        .arg(i)
                                                        .arg(r.x())
                                                        .arg(r.y())
                                                        .arg(r.width())
                                                        .arg(r.height())
                                                        .arg(screen.width())
                                                        .arg(screen.height())));
        }
        // Windows as large as their cells overlap no other such window.
        const std::vector<TWindowRect> cells =
            TileWindows(static_cast<int>(windows.size()), ToRect(w.frameGeometry()), ToRect(screen));
        const auto fits = [&](std::size_t i) { return ToRect(windows[i]->frameGeometry()) == cells[i]; };
        int fitting = 0;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (!fits(i)) continue;
            ++fitting;
            for (std::size_t j = 0; j < i; ++j)
                if (fits(j)) QVERIFY(!windows[i]->frameGeometry().intersects(windows[j]->frameGeometry()));
        }
        // Four windows always have room.
        while (gw.Windows().size() > 4) delete gw.Windows().back();
        MenuAction(w, "Window", "Tile")->trigger();
        for (std::size_t i = 0; i < gw.Windows().size(); ++i) {
            QVERIFY(!gw.Windows()[i]->frameGeometry().intersects(w.frameGeometry()));
            for (std::size_t j = 0; j < i; ++j)
                QVERIFY(!gw.Windows()[i]->frameGeometry().intersects(gw.Windows()[j]->frameGeometry()));
        }
        QVERIFY(w.close());
    }

    void theLegendIsDraggedAndPutOutside() {
        QTemporaryDir dir;
        TMainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        OpenExampleCopy(w, dir.path(), "TwoWay.bkt");
        TPlotForm* spl = w.GraphWindows().Windows()[0];
        QCoreApplication::processEvents();
        // The margins follow the tick labels: the layout settles in two.
        spl->Graph()->replot(QCustomPlot::rpImmediateRefresh);
        spl->Graph()->replot(QCustomPlot::rpImmediateRefresh);
        QCPLegend* legend = spl->Graph()->legend;
        QVERIFY(legend->visible());
        const QRect start = legend->outerRect();
        const QCPRange x = spl->Graph()->xAxis->range();

        // Dragged down and left: it follows, the axes stay (no zoom box).
        const QPoint grab = start.center();
        Drag(spl, grab, grab + QPoint(-60, 80));
        spl->Graph()->replot(QCustomPlot::rpImmediateRefresh);
        const QPoint moved = start.topLeft() + QPoint(-60, 80);
        QVERIFY2((legend->outerRect().topLeft() - moved).manhattanLength() <= 2,
                 qPrintable(QString("%1,%2 for %3,%4")
                                .arg(legend->outerRect().left())
                                .arg(legend->outerRect().top())
                                .arg(moved.x())
                                .arg(moved.y())));
        QCOMPARE(spl->Graph()->xAxis->range(), x);
        QVERIFY(spl->Record().Legend.Moved);

        // A solve leaves it there.
        const QPoint dropped = legend->outerRect().topLeft();
        w.Solve();
        spl->Graph()->replot(QCustomPlot::rpImmediateRefresh);
        QCOMPARE(legend->outerRect().topLeft(), dropped);

        // Dragged far beyond the plot, it stops at the plot's edge.
        Drag(spl, legend->outerRect().center(), legend->outerRect().center() + QPoint(-5000, 5000));
        spl->Graph()->replot(QCustomPlot::rpImmediateRefresh);
        const QRect plot = spl->Graph()->axisRect()->rect();
        QVERIFY(plot.contains(legend->outerRect().adjusted(1, 1, -1, -1)));

        // "Legend outside" from the legend's own menu: right of the plot, and
        // back inside where it was.
        SetMenuRunner([](QMenu& menu, QPoint) {
            for (QAction* a : menu.actions())
                if (a->text() == LegendOutsideItem) return a;
            return static_cast<QAction*>(nullptr);
        });
        const auto rightClick = [&] {
            const QPoint at = legend->outerRect().center();
            QContextMenuEvent e(QContextMenuEvent::Mouse, at, spl->Graph()->mapToGlobal(at));
            QCoreApplication::sendEvent(spl->Graph(), &e);
            spl->Graph()->replot(QCustomPlot::rpImmediateRefresh);
        };
        const QPoint inside = legend->outerRect().topLeft();
        rightClick();
        QVERIFY(spl->Record().Legend.Outside);
        QVERIFY(legend->outerRect().left() >= spl->Graph()->axisRect()->outerRect().right());
        QVERIFY(legend->outerRect().height() < spl->Graph()->axisRect()->outerRect().height() / 2);
        w.Solve();
        spl->Graph()->replot(QCustomPlot::rpImmediateRefresh);
        QVERIFY(legend->outerRect().left() >= spl->Graph()->axisRect()->outerRect().right());
        rightClick();
        QVERIFY(!spl->Record().Legend.Outside);
        QCOMPARE(legend->outerRect().topLeft(), inside);

        // The polar map keeps its legend top left, beside its colour scale,
        // until the user moves it.
        TPlotForm* map = w.GraphWindows().OpenGraph(TGraphKind::PolarMap);
        QCPLayoutInset* inset = map->Graph()->axisRect()->insetLayout();
        int at = -1;
        for (int i = 0; i < inset->elementCount(); ++i)
            if (inset->elementAt(i) == map->Graph()->legend) at = i;
        QVERIFY(at >= 0);
        QCOMPARE(inset->insetAlignment(at), Qt::AlignLeft | Qt::AlignTop);
        QVERIFY(w.close());
    }
};

QTEST_MAIN(TestWindowLayout)
#include "tst_windowlayout.moc"
