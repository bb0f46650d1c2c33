// SVG pictures cut to the painter's clip as bitmaps are: the polyline
// clipper, and every graph kind of every example exported as SVG with no
// line, polygon or path point outside the chart's plot rectangle.

#include <qcustomplot.h>

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>
#include <limits>

#include "../GuiTestSupport.h"
#include "app/HeadlessExport.h"
#include "app/QtTextMetrics.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"
#include "driverdata/FFT.h"
#include "graphs/GraphPicture.h"
#include "graphs/GraphWindows.h"
#include "graphs/Plot.h"
#include "pictures/PictureFile.h"
#include "pictures/SvgDevice.h"

using namespace pelmo;
using namespace pelmo::guitest;

Q_DECLARE_METATYPE(QList<QPolygonF>)

namespace {

// Every point of the SVG's polylines, polygons and paths in the picture's
// pixels (through the transforms of the groups around them).
QList<QPointF> DrawnPoints(const QByteArray& svg) {
    QList<QPointF> points;
    QList<QTransform> stack{QTransform()};
    const QRegularExpression number(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)");
    auto numbers = [&](const QString& text) {
        QList<double> v;
        for (auto it = number.globalMatch(text); it.hasNext();) v << it.next().captured().toDouble();
        return v;
    };
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            stack.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::StartElement) continue;
        QTransform t = stack.back();
        const QString transform = xml.attributes().value("transform").toString();
        if (transform.startsWith("matrix(")) {
            const QList<double> m = numbers(transform);
            if (m.size() == 6) t = QTransform(m[0], m[1], m[2], m[3], m[4], m[5]) * t;
        }
        stack.push_back(t);
        const QString name = xml.name().toString();
        QList<double> v;
        if (name == "polyline" || name == "polygon")
            v = numbers(xml.attributes().value("points").toString());
        else if (name == "path")
            v = numbers(xml.attributes().value("d").toString());  // absolute M, L and C pairs
        for (qsizetype i = 0; i + 1 < v.size(); i += 2) points << t.map(QPointF(v[i], v[i + 1]));
    }
    return points;
}

}  // namespace

class TestSvgClip : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { BuildSineTables(); }

    void clipPolyline_data() {
        QTest::addColumn<QPolygonF>("line");
        QTest::addColumn<QList<QPolygonF>>("pieces");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        // The rectangle is (0, 0)-(10, 10).
        QTest::newRow("inside") << QPolygonF(QList<QPointF>{{1, 1}, {5, 5}, {9, 1}}) << QList<QPolygonF>{{{1, 1}, {5, 5}, {9, 1}}};
        QTest::newRow("out and back in") << QPolygonF(QList<QPointF>{{1, 5}, {5, 15}, {9, 5}})
                                         << QList<QPolygonF>{{{1, 5}, {3, 10}}, {{7, 10}, {9, 5}}};
        QTest::newRow("through") << QPolygonF(QList<QPointF>{{-10, 5}, {20, 5}}) << QList<QPolygonF>{{{0, 5}, {10, 5}}};
        QTest::newRow("corner to corner") << QPolygonF(QList<QPointF>{{-5, -5}, {15, 15}}) << QList<QPolygonF>{{{0, 0}, {10, 10}}};
        QTest::newRow("outside") << QPolygonF(QList<QPointF>{{-1, 20}, {11, 20}, {30, -5}}) << QList<QPolygonF>{};
        QTest::newRow("along the edge") << QPolygonF(QList<QPointF>{{2, 10}, {8, 10}}) << QList<QPolygonF>{{{2, 10}, {8, 10}}};
        QTest::newRow("a point inside") << QPolygonF(QList<QPointF>{{3, 3}}) << QList<QPolygonF>{{{3, 3}}};
        QTest::newRow("a point outside") << QPolygonF(QList<QPointF>{{3, 13}}) << QList<QPolygonF>{};
        QTest::newRow("a gap") << QPolygonF(QList<QPointF>{{1, 1}, {2, 2}, {nan, nan}, {4, 4}, {5, 5}})
                               << QList<QPolygonF>{{{1, 1}, {2, 2}}, {{4, 4}, {5, 5}}};
        QTest::newRow("ends outside") << QPolygonF(QList<QPointF>{{5, 5}, {5, 8}, {5, 20}})
                                      << QList<QPolygonF>{{{5, 5}, {5, 8}, {5, 10}}};
    }
    void clipPolyline() {
        QFETCH(QPolygonF, line);
        QFETCH(QList<QPolygonF>, pieces);
        QCOMPARE(ClipPolyline(line, QRectF(0, 0, 10, 10)), pieces);
    }

    // What a PNG of the chart cuts at its plot's edge, the SVG cuts too: a
    // curve leaving the axis range must not run over the tick labels, the
    // axis title and the foot text.
    void graphsAreClippedToTheirPlot_data() {
        QTest::addColumn<QString>("example");
        QTest::addColumn<int>("kind");
        const QStringList examples =
            QDir(QString(PELMO_SOURCE_DIR) + "/examples").entryList({"*.bkt"}, QDir::Files, QDir::Name);
        QVERIFY(examples.size() >= 4);
        for (const QString& example : examples)
            for (const TGraphKindName& k : GraphKindNames())
                QTest::addRow("%s %s", qPrintable(example), k.Name) << example << int(k.Kind);
    }
    void graphsAreClippedToTheirPlot() {
        QFETCH(QString, example);
        QFETCH(int, kind);
        // Opening a design writes measurement files beside it: a copy.
        QTemporaryDir dir;
        QVERIFY(QFile::copy(QString(PELMO_SOURCE_DIR) + "/examples/" + example, dir.filePath(example)));
        RecordingSink sink;
        TQtTextMetrics metrics;
        TSession session(sink);
        session.Design().Metrics = &metrics;
        QVERIFY(OpenDesignFile(session.Design(), dir.filePath(example).toStdString(), sink));
        TGraphWindows windows(session.Design(), sink);
        TPlotForm* form = OpenExportGraph(windows, static_cast<TGraphKind>(kind));
        QCustomPlot& chart = *form->Graph();
        const QSize size = GraphPictureSize(TGraphPictureSize::Small, chart);

        const QByteArray svg = PictureSvg(ChartPicture(chart, size));
        // The plot rectangle at the picture's size: the chart laid out for it.
        QImage image(size, QImage::Format_RGB32);
        QCPPainter painter(&image);
        chart.toPainter(&painter, size.width(), size.height());
        painter.end();
        const QRect plot = chart.axisRect()->rect();
        QVERIFY(plot.height() > 100 && plot.height() < size.height() - 50);
        chart.replot();

        const QList<QPointF> points = DrawnPoints(svg);
        QVERIFY(points.size() > 100);
        // A plot's clip is its rectangle's pixels, one row higher.
        const QRectF inside = QRectF(plot).adjusted(-1, -2, 1, 1);
        for (const QPointF& p : points)
            QVERIFY2(inside.contains(p), qPrintable(QString("(%1, %2) outside %3,%4 %5x%6 of a %7x%8 picture")
                                                        .arg(p.x())
                                                        .arg(p.y())
                                                        .arg(plot.x())
                                                        .arg(plot.y())
                                                        .arg(plot.width())
                                                        .arg(plot.height())
                                                        .arg(size.width())
                                                        .arg(size.height())));
        windows.CloseAll();
    }
};

QTEST_MAIN(TestSvgClip)
#include "tst_svgclip.moc"
