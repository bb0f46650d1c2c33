// A graph window's pictures (sizes, formats, the window left as it was),
// clipboard and print, and phase lines that break where the phase wraps.

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "../PictureReadBack.h"
#include "GraphTestDesign.h"
#include "gui/graphs/GraphPicture.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/PlotOverlays.h"
#include "gui/pictures/PictureFile.h"
#include "gui/widgets/ModalRunner.h"

using namespace pelmo;
using namespace pelmo::test;
using pelmo::guitest::DarkPixels;
using pelmo::guitest::ReadPicture;
using pelmo::guitest::SvgTexts;
using pelmo::guitest::TReadBack;

namespace {

QMenu* SubMenu(QMenu* menu, const QString& title) {
    for (QAction* a : menu->actions())
        if (a->menu() && a->text() == title) return a->menu();
    return nullptr;
}

// The values of a chart line, NaN gaps included.
std::vector<double> Values(QCPGraph* g) {
    std::vector<double> v;
    for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it) v.push_back(it->value);
    return v;
}

// The height in points of each word of a PDF's first page, as poppler's
// pdftotext lays the page out (the first box of a word that comes twice).
QMap<QString, double> WordHeights(const QString& pdf) {
    QString error;
    const QByteArray html = pelmo::guitest::RunTool("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"}, &error);
    QMap<QString, double> heights;
    const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    for (auto it = word.globalMatch(QString::fromUtf8(html)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!heights.contains(m.captured(5)))
            heights[m.captured(5)] = m.captured(4).toDouble() - m.captured(2).toDouble();
    }
    return heights;
}

int Wraps(const TChartCurve& c) {
    int n = 0;
    for (std::size_t i = 1; i < c.Count(); ++i)
        if (std::abs(c.Y[i] - c.Y[i - 1]) > 180) ++n;
    return n;
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<double>)

class TestGraphPicture : public QObject {
    Q_OBJECT

    std::unique_ptr<DriversDesign> design_;
    RecordingSink sink_;
    std::unique_ptr<TGraphWindows> windows_;
    TPlotForm* spl_ = nullptr;
    QTemporaryDir dir_;
    QString answer_;
    QStringList asked_;

private slots:
    void init() {
        SetModalRunner([](QDialog&) { return int(QDialog::Accepted); });
        design_ = std::make_unique<DriversDesign>(2);
        sink_ = RecordingSink();
        windows_ = std::make_unique<TGraphWindows>(design_->d, sink_);
        asked_.clear();
        windows_->ChooseSaveFile = [this](QWidget*, const QString& title, const QString& filter,
                                          const QString& suffix) {
            asked_ << title << filter << suffix;
            return answer_;
        };
        spl_ = windows_->OpenGraph(TGraphKind::SPL);
        spl_->resize(700, 500);
        QVERIFY(QTest::qWaitForWindowExposed(spl_));
    }
    void cleanup() {
        windows_.reset();
        SetModalRunner({});
    }

    void menu() {
        QStringList items;
        for (QAction* a : spl_->FileMenu()->actions())
            if (!a->isSeparator() && a->isVisible()) items << a->text();
        QCOMPARE(items.mid(items.size() - 3), (QStringList{"To Picture File", "To Clipboard", "Print"}));
        QStringList sizes, clips;
        for (QAction* a : SubMenu(spl_->FileMenu(), "To Picture File")->actions()) sizes << a->text();
        for (QAction* a : SubMenu(spl_->FileMenu(), "To Clipboard")->actions()) clips << a->text();
        QCOMPARE(sizes, (QStringList{"Large", "Small", "AsShown"}));
        QCOMPARE(clips, (QStringList{"As Vector Graphic", "As Bitmap"}));
    }

    // Large and Small are drawn off screen at their size; the window keeps
    // its own. The vector formats carry the chart's title as text.
    void toFile_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("expected");  // empty: the chart's size on screen
        QTest::newRow("Large PNG") << "Large"
                                   << "large.png" << QSize(1260, 780);
        QTest::newRow("Small JPG") << "Small"
                                   << "small.jpg" << QSize(604, 424);
        QTest::newRow("AsShown BMP") << "AsShown"
                                     << "shown.bmp" << QSize();
        QTest::newRow("Large SVG") << "Large"
                                   << "large.svg" << QSize(1260, 780);
        QTest::newRow("Small EMF") << "Small"
                                   << "small.emf" << QSize(603, 423);
        QTest::newRow("Large PDF (points)") << "Large"
                                            << "large.pdf" << QSize(945, 585);
    }
    void toFile() {
        QFETCH(QString, item);
        QFETCH(QString, name);
        QFETCH(QSize, expected);
        const QSize window = spl_->size(), chart = spl_->Graph()->size();
        answer_ = dir_.filePath(name);
        SubMenu(spl_->FileMenu(), "To Picture File")
            ->actions()[QStringList({"Large", "Small", "AsShown"}).indexOf(item)]
            ->trigger();
        QCOMPARE(asked_, (QStringList{SavePictureTitle, SavePictureFilter, SavePictureSuffix}));
        QVERIFY(sink_.Messages.empty());
        QCOMPARE(spl_->size(), window);
        QCOMPARE(spl_->Graph()->size(), chart);
        const TReadBack back = ReadPicture(answer_);
        QVERIFY2(back.Ok, qPrintable(back.Error));
        QCOMPARE(back.Size, expected.isEmpty() ? chart : expected);
        QVERIFY(DarkPixels(back.Rendered) > 500);
        if (name.endsWith(".svg") || name.endsWith(".emf")) {
            QVERIFY2(back.Texts.contains("Frequency Response (#1)"), qPrintable(back.Texts.join('|')));
            QVERIFY(back.Texts.contains("dBSPL"));
        }
    }

    // An unwritable file ends in a message.
    void failure() {
        answer_ = dir_.filePath("missing/folder/graph.png");
        GraphToFile(*spl_, *windows_, TGraphPictureSize::Small);
        QCOMPARE(sink_.Messages.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(sink_.Messages[0]).startsWith("Could not write"));
    }

    void clipboard_data() {
        QTest::addColumn<bool>("vector");
        QTest::newRow("As Bitmap") << false;
        QTest::newRow("As Vector Graphic") << true;
    }
    void clipboard() {
        QFETCH(bool, vector);
        QApplication::clipboard()->clear();
        GraphToClipboard(*spl_, *windows_, vector);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data && data->hasImage());
        QCOMPARE(qvariant_cast<QImage>(data->imageData()).size(), spl_->Graph()->size());
        QCOMPARE(data->hasFormat("image/svg+xml"), vector);
        QCOMPARE(data->hasFormat("image/x-emf"), vector);
        if (vector) QVERIFY(SvgTexts(data->data("image/svg+xml")).contains("Frequency Response (#1)"));
    }

    // The chart is laid out for the page, not drawn at the screen's size
    // and shrunk: its text keeps its size in points on paper of any
    // resolution and either orientation (pdftotext reads the words' boxes).
    void print_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("landscape");
        QTest::newRow("screen resolution") << int(QPrinter::ScreenResolution) << false;
        QTest::newRow("high resolution") << int(QPrinter::HighResolution) << false;
        QTest::newRow("high resolution, landscape") << int(QPrinter::HighResolution) << true;
    }
    void print() {
        QFETCH(int, mode);
        QFETCH(bool, landscape);
        const QString pdf = dir_.filePath("graph.pdf");
        QFile::remove(pdf);
        const QPrinter printer{QPrinter::PrinterMode(mode)};
        windows_->ChoosePrinter = [&](QWidget*, QPrinter& chosen) {
            chosen.setResolution(printer.resolution());
            chosen.setOutputFormat(QPrinter::PdfFormat);
            chosen.setOutputFileName(pdf);
            chosen.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
            return true;
        };
        const QSize window = spl_->size();
        GraphPrint(*spl_, *windows_);
        QVERIFY(sink_.Messages.empty());
        QCOMPARE(spl_->size(), window);
        const TReadBack back = ReadPicture(pdf);
        QVERIFY2(back.Ok, qPrintable(back.Error));
        QVERIFY(DarkPixels(back.Rendered) > 100);
        // The axis title is written in 13 pixels, the chart's title in 16:
        // 9.75 and 12 points at 96 pixels per inch; a word's box is about
        // 1.12 times as high (Arial's ascent and descent).
        const double points = 72.0 / ScreenDpi();
        const QMap<QString, double> heights = WordHeights(pdf);
        QVERIFY2(heights.contains("frequency") && heights.contains("Response"), qPrintable(heights.keys().join(' ')));
        QVERIFY2(std::abs(heights["frequency"] / (13 * points) - 1.12) < 0.1,
                 qPrintable(QString::number(heights["frequency"])));
        QVERIFY2(std::abs(heights["Response"] / (16 * points) - 1.12) < 0.1,
                 qPrintable(QString::number(heights["Response"])));
    }

    // A NaN gap goes between two neighbours more than 180 degrees apart,
    // nowhere else; the points themselves stay.
    void phaseBreaks_data() {
        QTest::addColumn<std::vector<double>>("phase");
        QTest::addColumn<std::vector<double>>("plotted");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("no wrap") << std::vector<double>{10, -20, -90, -170} << std::vector<double>{10, -20, -90, -170};
        QTest::newRow("one wrap") << std::vector<double>{150, 175, -178, -150}
                                  << std::vector<double>{150, 175, nan, -178, -150};
        QTest::newRow("back and forth") << std::vector<double>{-175, 179, -179, 0}
                                        << std::vector<double>{-175, nan, 179, nan, -179, 0};
        QTest::newRow("exactly 180 is no wrap") << std::vector<double>{90, -90} << std::vector<double>{90, -90};
        QTest::newRow("empty") << std::vector<double>{} << std::vector<double>{};
    }
    void phaseBreaks() {
        QFETCH(std::vector<double>, phase);
        QFETCH(std::vector<double>, plotted);
        TChartCurve c;
        for (std::size_t i = 0; i < phase.size(); ++i) c.Add(100.0 * (i + 1), phase[i]);
        QCPGraph* g = spl_->Graph()->addGraph();
        // Twice: the second time the points are replaced in place.
        for (int pass = 0; pass < 2; ++pass) {
            SetPhasePoints(g, c);
            const std::vector<double> v = Values(g);
            QCOMPARE(v.size(), plotted.size());
            for (std::size_t i = 0; i < v.size(); ++i)
                QVERIFY2(std::isnan(plotted[i]) ? std::isnan(v[i]) : v[i] == plotted[i],
                         qPrintable(QString::number(i)));
        }
    }

    // In a real SPL window: every solved point is plotted, one gap per wrap,
    // and no drawn segment jumps more than 180 degrees.
    void phaseBreaksInTheWindow() {
        // A delay turns the phase round many times.
        design_->d.Drivers[0]->DelaySeconds = 0.001;
        windows_->SolveNow(true);
        const TChartCurve& phase = spl_->Record().Curves[0].PhaseSeries;
        QVERIFY(Wraps(phase) > 3);
        const std::vector<double> v = Values(spl_->PhaseGraph(0));
        const auto gaps = std::count_if(v.begin(), v.end(), [](double y) { return std::isnan(y); });
        QCOMPARE(int(gaps), Wraps(phase));
        QCOMPARE(v.size() - std::size_t(gaps), phase.Count());
        for (std::size_t i = 1; i < v.size(); ++i)
            if (!std::isnan(v[i]) && !std::isnan(v[i - 1])) QVERIFY(std::abs(v[i] - v[i - 1]) <= 180);
        // The magnitude line has no gaps.
        QCOMPARE(spl_->MagGraph(0)->data()->size(), int(phase.Count()));
        // Hold copies the phase with the same gaps.
        spl_->Overlays().HoldClick();
        QCOMPARE(Values(spl_->Overlays().HoldPhase()).size(), v.size());
    }
};

QTEST_MAIN(TestGraphPicture)
#include "tst_graphpicture.moc"
