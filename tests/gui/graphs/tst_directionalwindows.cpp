// The directional graph windows: the spinorama, sound power and DI, the
// off-axis curves and the polar map, drawn from their records, following a
// solve, their view menus and the map's readout. With PELMO_DIRWIN_PNG set
// to a folder, the two-way example with its tweeter 15 cm above the woofer
// is drawn into dirwin-*.png there, to be looked at.

#include <qcustomplot.h>

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "GraphTestDesign.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"
#include "driverdata/FFT.h"
#include "graphs/DirectionalCurves.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/PlotOverlays.h"
#include "gui/graphs/PlotReadout.h"
#include "gui/widgets/QtTextMetrics.h"
#include "model/ListeningSetup.h"

using namespace pelmo;
using namespace pelmo::test;

namespace {

constexpr double InchesPerMetre = 1.0 / 0.0254;

// Two drivers behind resistors, the second 15 cm above the first.
struct TwoApart {
    DriversDesign t{2};
    RecordingSink sink;
    TGraphWindows gw{t.d, sink};
    TwoApart() {
        t.d.Drivers[0]->Acoustic.DiameterInches = 6.5;
        t.d.Drivers[1]->Acoustic.DiameterInches = 1;
        t.d.Drivers[1]->Acoustic.YOffsetInches = 0.15 * InchesPerMetre;
    }
};

// The chart's line of curve i holds the record's points.
bool DrawsItsRecord(TPlotForm& w, int i) {
    const TChartCurve& c = w.Record().Curves[static_cast<std::size_t>(i)].MagSeries;
    QCPGraph* g = w.MagGraph(i);
    if (!g || g->data()->size() != static_cast<int>(c.Count())) return false;
    auto it = g->data()->constBegin();
    for (std::size_t k = 0; k < c.Count(); ++k, ++it)
        if (it->key != c.X[k] || it->value != c.Y[k]) return false;
    return true;
}

}  // namespace

class TestDirectionalWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { BuildSineTables(); }

    void windowsDrawTheirCurvesAndFollowASolve_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("legend");
        QTest::addColumn<int>("rightAxis");  // curves from this index on the right axis
        QTest::newRow("spinorama") << int(TGraphKind::Spinorama)
                                   << QStringList{"On Axis",     "Listening Window",  "Early Reflections",
                                                  "Sound Power", "Predicted In-Room", "ERDI",
                                                  "SPDI"}
                                   << 5;
        QTest::newRow("power") << int(TGraphKind::PowerAndDi) << QStringList{"On Axis", "Sound Power", "DI"} << 2;
        QTest::newRow("off-axis") << int(TGraphKind::OffAxis)
                                  << QStringList{"V 0°", "V 15°", "V 30°", "V 45°", "V 60°", "V 75°", "V 90°"} << 7;
        QTest::newRow("polar map") << int(TGraphKind::PolarMap) << QStringList{"-6 dB", ""} << 2;
    }
    void windowsDrawTheirCurvesAndFollowASolve() {
        QFETCH(int, kind);
        QFETCH(QStringList, legend);
        QFETCH(int, rightAxis);
        TwoApart a;
        TPlotForm* w = a.gw.OpenGraph(static_cast<TGraphKind>(kind));
        a.gw.SolveNow(true);
        QCOMPARE(int(w->Record().Curves.size()), legend.size());
        std::vector<DataArray> before;
        for (int i = 0; i < legend.size(); ++i) {
            QCOMPARE(w->MagGraph(i)->name(), legend[i]);
            QCOMPARE(w->MagGraph(i)->valueAxis() == w->Graph()->yAxis2, i >= rightAxis);
            QCOMPARE(w->Graph()->legend->hasItemWithPlottable(w->MagGraph(i)), !legend[i].isEmpty());
            QCOMPARE(w->MagGraph(i)->data()->size(), 500);
            QVERIFY(DrawsItsRecord(*w, i));
            before.push_back(w->Record().Curves[static_cast<std::size_t>(i)].MagSeries.Y);
        }
        // A value of the network: every curve follows and is drawn.
        a.t.d.Parts[1]->Value = 20;
        a.gw.SolveNow(true);
        for (int i = 0; i < legend.size(); ++i) QVERIFY(DrawsItsRecord(*w, i));
        if (kind != int(TGraphKind::PolarMap)) QVERIFY(w->Record().Curves[0].MagSeries.Y != before[0]);
        const bool di = rightAxis < legend.size();
        QCOMPARE(w->Graph()->yAxis2->visible(), di);
        if (di) {
            // As many dB as the left axis, from -1 division.
            QCOMPARE(w->Graph()->yAxis2->range().lower, -5.0);
            QCOMPARE(w->Graph()->yAxis2->range().size(), w->Graph()->yAxis->range().size());
        }
        // The spinorama names its score under the chart.
        const QString foot = w->FootElement()->text();
        if (kind == int(TGraphKind::Spinorama))
            QVERIFY2(foot.startsWith("System: preference score ") && foot.endsWith("(Olive, LFX from the sound power)"),
                     qPrintable(foot));
        else
            QCOMPARE(foot, QString("Pelmo"));
        // Hold freezes the on-axis curve; a map has none to hold.
        QCOMPARE(w->Overlays().HoldButton()->isVisibleTo(w), kind != int(TGraphKind::PolarMap));
        // Choosing a driver shows its set in place of the system's.
        FindItem(w->CurvesMenu(), "S2")->trigger();
        QCOMPARE(int(w->Record().Curves.size()), legend.size());
        for (const TSeriesDef& c : w->Record().Curves) QCOMPARE(c.Element, 1);
        QVERIFY(FindItem(w->CurvesMenu(), "S2")->isChecked());
        QVERIFY(!FindItem(w->CurvesMenu(), "System")->isChecked());
        QVERIFY(DrawsItsRecord(*w, 0));
    }

    void offAxisViewMenuRemakesTheCurves() {
        TwoApart a;
        TPlotForm* w = a.gw.OpenGraph(TGraphKind::OffAxis);
        QMenu* plane = FindItem(w->CurvesMenu(), "Plane")->menu();
        FindItem(plane, "Horizontal")->trigger();
        FindItem(FindItem(w->CurvesMenu(), "Angle step")->menu(), "30°")->trigger();
        FindItem(FindItem(w->CurvesMenu(), "Angles up to")->menu(), "180°")->trigger();
        QStringList names;
        for (int i = 0; w->MagGraph(i); ++i) names << w->MagGraph(i)->name();
        QCOMPARE(names, (QStringList{"H 0°", "H 30°", "H 60°", "H 90°", "H 120°", "H 150°", "H 180°"}));
        QVERIFY(DrawsItsRecord(*w, 6));
        QCOMPARE(w->MagGraph(6)->data()->size(), 500);
    }

    void polarMapShowsLevelsAndReadsThemOut() {
        TwoApart a;
        TPlotForm* w = a.gw.OpenGraph(TGraphKind::PolarMap);
        a.gw.SolveNow(true);
        QCPColorMap* map = w->ColourMap();
        QVERIFY(map);
        QCOMPARE(map->data()->keySize(), 500);
        QCOMPARE(map->data()->valueSize(), 73);
        QCOMPARE(w->Graph()->yAxis->range().lower, -180.0);
        QCOMPARE(w->Graph()->yAxis->range().upper, 180.0);
        const TLevelMap& m = w->Record().Map;
        QCOMPARE(map->data()->cell(300, 36 + 6), m.LevelsDb[42 * 500 + 300]);  // V 30
        // Relative to on axis: 0 dB all along 0 degrees.
        FindItem(w->CurvesMenu(), "Relative to on axis")->trigger();
        a.gw.SolveNow(true);
        QCOMPARE(map->data()->cell(300, 36), 0.0);
        QCOMPARE(map->dataRange().lower, -30.0);
        // The readout names the cell under the pointer.
        QCustomPlot* chart = w->Graph();
        const QPoint at(int(chart->xAxis->coordToPixel(1000.0)), int(chart->yAxis->coordToPixel(0.0)));
        w->PointerReadout().MouseMove(at);
        const QString text = w->PointerReadout().Label()->text();
        QVERIFY2(text.contains("V 0°, 0 dB"), qPrintable(text));
        QVERIFY(text.contains("Hz"));
        QVERIFY(!w->PointerReadout().DeltaMenu());
    }

    // Not a check: pictures of the four windows for the eye.
    void drawTheWindowsOfTheTwoWay() {
        const QByteArray folder = qgetenv("PELMO_DIRWIN_PNG");
        if (folder.isEmpty()) QSKIP("PELMO_DIRWIN_PNG not set");
        QTemporaryDir dir;
        const QString example = dir.filePath("TwoWay.bkt");
        QVERIFY(QFile::copy(QString(PELMO_SOURCE_DIR) + "/examples/TwoWay.bkt", example));
        RecordingSink sink;
        TQtTextMetrics metrics;
        TSession session(sink);
        session.Design().Metrics = &metrics;
        QVERIFY(OpenDesignFile(session.Design(), example.toStdString(), sink));
        TDesign& d = session.Design();
        QVERIFY(d.Drivers.size() >= 2);
        // The tweeter (the second driver) 15 cm above the woofer.
        d.Drivers[0]->Acoustic.DiameterInches = 6.5;
        d.Drivers[1]->Acoustic.DiameterInches = 1;
        d.Drivers[1]->Acoustic.YOffsetInches = 0.15 * InchesPerMetre;
        TGraphWindows gw(d, sink);
        const std::pair<TGraphKind, const char*> kinds[] = {{TGraphKind::Spinorama, "spinorama"},
                                                            {TGraphKind::PowerAndDi, "powerdi"},
                                                            {TGraphKind::OffAxis, "offaxis"},
                                                            {TGraphKind::PolarMap, "polarmap"}};
        for (const auto& [kind, name] : kinds) {
            TPlotForm* w = gw.OpenGraph(kind);
            w->resize(900, 600);
            gw.SolveNow(true);
            QVERIFY(w->grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(QString("dirwin-%1.png").arg(name))));
        }
        gw.CloseAll();
    }
};

QTEST_MAIN(TestDirectionalWindows)
#include "tst_directionalwindows.moc"
