#include <QtTest>

#include "../GuiTestSupport.h"
#include "editor/SheetLabels.h"
#include "editor/ViewGeometry.h"

using namespace pelmo;
using namespace pelmo::guitest;

class TestSheetRender : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.View().SetSheetScale(10);
    }

    void resistorBodyAndLeadsAtScale10() {
        TDesign& d = w.Session().Design();
        ClearElements(d);
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        const QImage img = RenderSheet(w, QRect(0, 0, 400, 300));
        // Body outline corners and sides.
        for (QPoint p : {QPoint(180, 95), QPoint(220, 95), QPoint(180, 105), QPoint(220, 105), QPoint(200, 95),
                         QPoint(200, 105), QPoint(180, 100), QPoint(220, 100)})
            QVERIFY2(IsBlack(img, p), qPrintable(QString("(%1,%2)").arg(p.x()).arg(p.y())));
        QVERIFY(!IsBlack(img, QPoint(201, 100)));
        QVERIFY(!IsBlack(img, QPoint(195, 102)));
        QVERIFY(!IsBlack(img, QPoint(221, 96)));
        QVERIFY(!IsBlack(img, QPoint(200, 94)));
        QVERIFY(!IsBlack(img, QPoint(200, 106)));
        // Leads end at the terminals, where the end dots sit.
        for (int x : {170, 175, 179, 221, 225, 230}) QVERIFY(IsBlack(img, QPoint(x, 100)));
        for (QPoint p : {QPoint(168, 100), QPoint(172, 100), QPoint(170, 98), QPoint(232, 100), QPoint(230, 102)})
            QVERIFY2(IsBlack(img, p), "end dot");
        QVERIFY(!IsBlack(img, QPoint(166, 100)));
        QVERIFY(!IsBlack(img, QPoint(234, 100)));
        // The grid: a dot on a free grid point, nothing between.
        QVERIFY(IsBlack(img, QPoint(300, 200)));
        QVERIFY(!IsBlack(img, QPoint(305, 200)));
    }

    void labelsShowTheValuesInTheirFormats() {
        TDesign& d = w.Session().Design();
        ClearElements(d);
        const struct {
            TPartType type;
            double value;
            const char* label;
        } cases[] = {{TPartType::Capacitor, 4.7e-7, "0.47uF"},
                     {TPartType::Inductor, 1.5e-3, "1.5mH"},
                     {TPartType::Resistor, 4700, "4.7k"},
                     {TPartType::Resistor, 999.96, "1k"}};
        int x = 20;
        for (const auto& c : cases) {
            TPart& p = AddPart(d, c.type, {x, 20}, true);
            p.Value = c.value;
            x += 15;
        }
        const QImage img = RenderSheet(w, QRect(0, 0, 800, 400));
        for (std::size_t i = 0; i < d.Parts.size(); ++i) {
            const TPart& p = *d.Parts[i];
            QCOMPARE(QString::fromStdString(PartValueText(p)), QString(cases[i].label));
            // The value label is written inside its box, centred across it.
            const TLabelLayout layout = LayoutPartLabels(p, 10, *d.Metrics);
            QCOMPARE(layout.Labels.size(), std::size_t(2));
            const TRect r = layout.Labels[1].TextRect;
            int ink = 0;
            for (int y = r.Top; y < r.Bottom; ++y)
                for (int xx = r.Left; xx < r.Right; ++xx) ink += qGray(img.pixel(xx, y)) < 160 ? 1 : 0;
            QVERIFY2(ink > 10, cases[i].label);
            const int mid = (r.Left + r.Right) / 2;
            QVERIFY(std::abs(mid - p.Position.X * 10) <= 2);
            QCOMPARE(p.LabelRect, layout.LabelRect);
        }
    }

    // A catalogue part number on a vertical part is written between the
    // part's terminals, not across the wires that leave them.
    void partNumberStaysBetweenTheTerminals_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("number");
        QTest::newRow("capacitor") << int(TPartType::Capacitor) << "GCM-12U";
        QTest::newRow("resistor") << int(TPartType::Resistor) << "MOX-4K7";
        QTest::newRow("inductor") << int(TPartType::Inductor) << "AIR-0.56";
    }
    void partNumberStaysBetweenTheTerminals() {
        QFETCH(int, type);
        QFETCH(QString, number);
        TDesign& d = w.Session().Design();
        ClearElements(d);
        TPart& p = AddPart(d, TPartType(type), {20, 20}, false);
        p.PartNumber = number.toStdString();
        p.BoundValue = p.Value;
        const QImage img = RenderSheet(w, QRect(0, 0, 400, 400));
        const TLabelLayout layout = LayoutPartLabels(p, 10, *d.Metrics);
        QCOMPARE(layout.Labels.size(), std::size_t(3));
        const TRect r = layout.Labels[2].TextRect;
        QCOMPARE(QString::fromStdString(layout.Labels[2].Text), "#" + number);
        // Its ink, in the label's column, lies between y 170 and 230.
        int inside = 0;
        for (int y = 140; y < 260; ++y)
            for (int x = r.Left; x < r.Right; ++x) {
                if (qGray(img.pixel(x, y)) >= 160 || (x % 10 == 0 && y % 10 == 0)) continue;  // paper, grid
                QVERIFY2(y >= 169 && y <= 231, qPrintable(QString("ink at (%1, %2)").arg(x).arg(y)));
                ++inside;
            }
        QVERIFY(inside > 30);
    }

    void shortedAndOpenLooks() {
        TDesign& d = w.Session().Design();
        ClearElements(d);
        TPart& s = AddPart(d, TPartType::Resistor, {20, 10}, true);
        s.State = TPartState::Shorted;
        TPart& o = AddPart(d, TPartType::Resistor, {40, 10}, true);
        o.State = TPartState::Open;
        const QImage img = RenderSheet(w, QRect(0, 0, 600, 300));
        // Shorted: a 3-pixel line through the body.
        QVERIFY(IsBlack(img, {200, 100}));
        QVERIFY(IsBlack(img, {200, 99}) || IsBlack(img, {200, 101}));
        QVERIFY(LayoutPartLabels(s, 10, *d.Metrics).Labels.size() == 1);  // name only
        // Open: a white gap 2s long across the body's top and bottom edges.
        QVERIFY(!IsBlack(img, {400, 95}));
        QVERIFY(!IsBlack(img, {391, 105}));
        QVERIFY(IsBlack(img, {385, 95}));
        QVERIFY(IsBlack(img, {411, 95}));
    }

    void overlappingBlocksKeepTheirWiresVisible() {
        TDesign& d = w.Session().Design();
        ClearElements(d);
        // The first block's wire runs into the second block's body.
        AppendBlock(d);
        AppendBlock(d);
        AddWire(d, {10, 10}, {30, 10}).Subckt = 0;
        AddPart(d, TPartType::Resistor, {28, 12}, true).Subckt = 1;
        RebuildBlockMembers(d);
        QVERIFY(d.Blocks[1]->BoundsRect.Left <= 24 && d.Blocks[1]->BoundsRect.Top <= 10);
        const QImage img = RenderSheet(w, QRect(0, 0, 400, 300));
        QVERIFY(IsBlack(img, {270, 100}));  // inside the second body, on the first block's wire
    }

    void driverIndicators() {
        TDesign& d = w.Session().Design();
        ClearElements(d);
        TDriver& drv = AddDriver(d, {20, 20});  // no files: exclamation mark
        TDriver& muted = AddDriver(d, {40, 20});
        muted.Acoustic.FRDFile = "/x/a.frd";
        muted.ZMAFile = "/x/a.zma";
        muted.Muted = true;
        const QImage img = RenderSheet(w, QRect(0, 0, 600, 400));
        const QRgb yellow = qRgb(255, 255, 0), silver = qRgb(192, 192, 192);
        QCOMPARE(img.pixel(QPoint(222, 195)), yellow);   // inside the mark
        QVERIFY(img.pixel(QPoint(427, 200)) == silver);  // the muted block in front of the cone
        QVERIFY(img.pixel(QPoint(427 - 200, 200)) != silver);
        Q_UNUSED(drv);
    }

    void zoomStepsAndFitAll() {
        TDesign& d = w.Session().Design();
        ClearElements(d);
        w.View().SetSheetScale(10);
        QList<int> in, out;
        for (int i = 0; i < 8; ++i) {
            w.Editor().ZoomStep(true);
            if (in.isEmpty() || in.back() != w.View().Scale()) in << w.View().Scale();
        }
        QCOMPARE(in, (QList<int>{12, 14, 16, 20, 24}));
        w.View().SetSheetScale(10);
        for (int i = 0; i < 8; ++i) {
            w.Editor().ZoomStep(false);
            if (out.isEmpty() || out.back() != w.View().Scale()) out << w.View().Scale();
        }
        QCOMPARE(out, (QList<int>{8, 6}));
        QCOMPARE(w.View().Sheet()->width(), PanelWidth(6));

        // A design spread over the whole sheet fits only at the smallest scale.
        AddPart(d, TPartType::Resistor, {5, 5}, true);
        AddPart(d, TPartType::Resistor, {250, 122}, true);
        w.View().FitAll();
        QCOMPARE(w.View().Scale(), 4);
        // A small one: the largest even scale that fits.
        ClearElements(d);
        SetSourcePosition(d, d.Source, {118, 64});
        AddPart(d, TPartType::Resistor, {128, 64}, true);
        for (int i = 0; i < 3; ++i) {
            w.resize(700 + 97 * i, 500 + 61 * i);
            w.View().FitAll();
            QCOMPARE(w.View().Scale() % 2, 0);
            QVERIFY(w.View().Scale() >= 4 && w.View().Scale() <= 28);
        }
        QCOMPARE(w.View().ViewCentre(), ExtentCentre(DrawingExtent(d)));
    }

    void threeWayDesignToPng() {
        // Writes the picture for a look by eye when PELMO_SHEET_PNG names a file.
        TDesign& d = w.Session().Design();
        ClearElements(d);
        SetSourcePosition(d, d.Source, {118, 64});
        BuildThreeWay(d);
        w.resize(1200, 900);
        w.View().FitAll();
        const int s = w.View().Scale();
        const TRect e = DrawingExtent(d);
        const QRect area((e.Left - 2) * s, (e.Top - 2) * s, (e.Right - e.Left + 4) * s, (e.Bottom - e.Top + 4) * s);
        const QImage img = RenderSheet(w, area);
        QVERIFY(!img.isNull());
        if (qEnvironmentVariableIsSet("PELMO_SHEET_PNG")) img.save(qEnvironmentVariable("PELMO_SHEET_PNG"));
        w.View().SetSheetScale(10);
        const TRect e10 = DrawingExtent(d);
        const QImage img10 = RenderSheet(w, QRect((e10.Left - 2) * 10, (e10.Top - 2) * 10,
                                                  (e10.Right - e10.Left + 4) * 10, (e10.Bottom - e10.Top + 4) * 10));
        if (qEnvironmentVariableIsSet("PELMO_SHEET_PNG"))
            img10.save(qEnvironmentVariable("PELMO_SHEET_PNG").replace(".png", "-10.png"));
    }

private:
    TMainWindow w;
};

QTEST_MAIN(TestSheetRender)
#include "tst_sheetrender.moc"
