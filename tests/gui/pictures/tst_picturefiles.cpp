// The picture writer with the sheet's picture: sizes, every format read back
// by an independent reader, the texts of the vector formats, a design left
// as it was, failures that report and keep the older file, the printed page.

#include <unistd.h>

#include <QFile>
#include <QPrinter>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

#include "../GuiTestSupport.h"
#include "../PictureReadBack.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"
#include "editor/SheetLabels.h"
#include "gui/pictures/PictureFile.h"
#include "gui/pictures/PictureOutput.h"
#include "gui/sheet/SheetPicture.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

// A session and a sheet view on it, without a main window.
struct Sheet {
    RecordingSink sink;
    TQtTextMetrics metrics;
    TSession session{sink};
    QWidget host;
    TSheetView view{session, metrics, &host};
    Sheet() {
        session.Design().Metrics = &metrics;
        host.resize(800, 600);
        view.ScrollBox()->setGeometry(0, 0, 800, 600);
    }
    TDesign& D() { return session.Design(); }
};

// A drawing whose extent is 40 by 20 grid units: two wires and a resistor
// between them, no source.
void BuildForty(TDesign& d) {
    d.Source.Placed = false;
    AddWire(d, {100, 50}, {140, 50});
    AddWire(d, {100, 70}, {140, 70});
    AddPart(d, TPartType::Resistor, {120, 60}, true).Value = 8.2;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Every designator on the sheet: parts, drivers.
QStringList Designators(const TDesign& d) {
    QStringList out;
    for (const auto& p : d.Parts) out << QString::fromStdString(PartDesignator(*p));
    for (const auto& drv : d.Drivers) out << QString::fromStdString(DriverDesignator(*drv));
    return out;
}

}  // namespace

class TestPictureFiles : public QObject {
    Q_OBJECT
private slots:
    // The picture of a 40 x 20 drawing at scale 10 is 460 x 260 pixels; the
    // size factor scales every format but EMF. Each file is read back and
    // must show something.
    void sizes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("Large PNG") << "a.png" << 1.5 << QSize(690, 390);
        QTest::newRow("As Shown PNG") << "a.png" << 1.0 << QSize(460, 260);
        QTest::newRow("Forum post PNG") << "a.png" << 0.75 << QSize(345, 195);
        QTest::newRow("Large JPG") << "a.jpg" << 1.5 << QSize(690, 390);
        QTest::newRow("Forum post .jpeg") << "a.jpeg" << 0.75 << QSize(345, 195);
        QTest::newRow("upper-case .JPG") << "a.JPG" << 1.0 << QSize(460, 260);
        QTest::newRow("As Shown BMP") << "a.bmp" << 1.0 << QSize(460, 260);
        QTest::newRow("Large SVG") << "a.svg" << 1.5 << QSize(690, 390);
        // EMF keeps the picture's own size; emf2svg shows its inclusive bounds.
        QTest::newRow("Large EMF") << "a.emf" << 1.5 << QSize(459, 259);
        // The PDF page in points: pixels at 96 dpi.
        QTest::newRow("Large PDF") << "a.pdf" << 1.5 << QSize(518, 292);
        QTest::newRow("Forum post PDF") << "a.pdf" << 0.75 << QSize(259, 146);
    }
    void sizes() {
        QFETCH(QString, name);
        QFETCH(double, factor);
        QFETCH(QSize, expected);
        Sheet s;
        BuildForty(s.D());
        s.view.SetSheetScale(10);
        const TPicture picture = SheetPicture(s.view);
        QCOMPARE(picture.Size, QSize(460, 260));
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const TPictureResult written = WritePictureFile(picture, path, factor, 96.0);
        QVERIFY2(written.Ok, qPrintable(written.Message));
        const TReadBack back = ReadPicture(path);
        QVERIFY2(back.Ok, qPrintable(back.Error));
        QCOMPARE(back.Size, expected);
        // The wires and the resistor, not a blank page, and not a dark one.
        const int dark = DarkPixels(back.Rendered);
        QVERIFY2(dark > 100, qPrintable(QString::number(dark)));
        QVERIFY(dark < back.Rendered.width() * back.Rendered.height() / 4);
        // Nothing else was left in the folder.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{name});
    }

    // The sheet of the three-way example carries every designator as text in
    // the SVG and in the EMF.
    void designatorsAsText() {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(QString(PELMO_SOURCE_DIR) + "/examples/ThreeWay.bkt", dir.filePath("ThreeWay.bkt")));
        QVERIFY(QDir().mkpath(dir.filePath("Drivers")));
        for (const QFileInfo& fi : QDir(QString(PELMO_SOURCE_DIR) + "/examples/Drivers").entryInfoList(QDir::Files))
            QFile::copy(fi.filePath(), dir.filePath("Drivers/" + fi.fileName()));
        Sheet s;
        QVERIFY(OpenDesignFile(s.D(), dir.filePath("ThreeWay.bkt").toStdString(), s.sink));
        s.view.FitAll();
        const QStringList designators = Designators(s.D());
        QVERIFY(designators.size() >= 10);
        const TPicture picture = SheetPicture(s.view);
        for (const QString name : {"sheet.svg", "sheet.emf"}) {
            QVERIFY(WritePictureFile(picture, dir.filePath(name), 1.0, 96.0).Ok);
            const TReadBack back = ReadPicture(dir.filePath(name));
            QVERIFY2(back.Ok, qPrintable(back.Error));
            for (const QString& des : designators)
                QVERIFY2(back.Texts.contains(des), qPrintable(name + " lacks " + des));
        }
    }

    // Drawing the picture moves nothing: positions, selections, the
    // modified flag and the undo history stay as they were.
    void designUntouched() {
        Sheet s;
        BuildThreeWay(s.D());
        s.D().Parts[1]->Selected = true;
        s.D().Drivers[0]->Selected = true;
        s.D().Modified = false;
        s.session.ResetHistory();
        std::vector<TPoint> before;
        for (const auto& p : s.D().Parts) before.push_back(p->Position);
        for (const auto& w : s.D().Wires) before.push_back(w->End1);
        QTemporaryDir dir;
        QVERIFY(WritePictureFile(SheetPicture(s.view), dir.filePath("x.svg"), 1.0, 96.0).Ok);
        QVERIFY(WritePictureFile(SheetPicture(s.view), dir.filePath("x.png"), 1.5, 96.0).Ok);
        std::vector<TPoint> after;
        for (const auto& p : s.D().Parts) after.push_back(p->Position);
        for (const auto& w : s.D().Wires) after.push_back(w->End1);
        QVERIFY(before == after);
        QVERIFY(s.D().Parts[1]->Selected);
        QVERIFY(s.D().Drivers[0]->Selected);
        QVERIFY(!s.D().Modified);
        QVERIFY(!s.session.History().CanUndo());
        // A selected element shows silver in the picture, as on screen.
        const QImage img = ReadPicture(dir.filePath("x.png")).Rendered;
        bool silver = false;
        for (int y = 0; y < img.height() && !silver; ++y)
            for (int x = 0; x < img.width() && !silver; ++x) silver = img.pixel(x, y) == qRgb(192, 192, 192);
        QVERIFY(silver);
    }

    // The EMF device draws what Qt draws: fills under a transform, a
    // patterned brush, an image, a clip, and text turned a quarter round,
    // each where the painter put it (read back through emf2svg).
    void emfDrawsWhatQtDraws() {
        TPicture picture;
        picture.Size = QSize(200, 100);
        picture.Paint = [](QPaintDevice& device, const QTransform& world) {
            QPainter p;
            if (!p.begin(&device)) return false;
            p.setTransform(world);
            p.fillRect(QRect(0, 0, 200, 100), Qt::white);
            p.translate(10, 10);
            p.fillRect(QRect(0, 0, 30, 30), QColor(255, 0, 0));  // red at (10..40, 10..40)
            QImage blue(20, 20, QImage::Format_RGB32);
            blue.fill(QColor(0, 0, 255));
            p.drawImage(QPoint(50, 0), blue);  // blue at (60..80, 10..30)
            p.save();
            p.setClipRect(QRect(90, 0, 10, 10));
            p.fillRect(QRect(80, -10, 40, 30), QColor(0, 160, 0));  // green only at (100..110, 10..20)
            p.restore();
            p.fillRect(QRect(0, 50, 40, 30), QBrush(QColor(0, 0, 0), Qt::DiagCrossPattern));
            p.setPen(Qt::black);
            p.setFont(SheetFont(12));
            p.translate(150, 80);
            p.rotate(-90);
            p.drawText(QPoint(0, 0), "Turned");
            return true;
        };
        QTemporaryDir dir;
        QVERIFY(WritePictureFile(picture, dir.filePath("t.emf"), 1.0, 96.0).Ok);
        const TReadBack back = ReadPicture(dir.filePath("t.emf"));
        QVERIFY2(back.Ok, qPrintable(back.Error));
        const QImage& img = back.Rendered;
        QCOMPARE(img.pixelColor(25, 25), QColor(255, 0, 0));
        QCOMPARE(img.pixelColor(70, 20), QColor(0, 0, 255));
        QCOMPARE(img.pixelColor(105, 15), QColor(0, 160, 0));
        // emf2svg reads the clip (as a clip path) but does not apply it: the
        // clip's place is checked instead of its effect.
        QVERIFY2(back.Svg.contains("<clipPath") &&
                     back.Svg.contains("M 100.0000,10.0000 L 110.0000,10.0000 L 110.0000,20.0000 L 100.0000,20.0000"),
                 back.Svg.constData());
        int hatch = 0;
        for (int y = 60; y < 90; ++y)
            for (int x = 10; x < 50; ++x) hatch += qGray(img.pixel(x, y)) < 128;
        QVERIFY(hatch > 50);  // emf2svg fills a hatched brush solid
        QVERIFY(back.Texts.contains("Turned"));
        // The turned text runs upwards from its start: dark pixels in a
        // column over x = 150..165, none to its right.
        int column = 0, right = 0;
        for (int y = 20; y < 95; ++y)
            for (int x = 140; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 128) (x < 170 ? column : right)++;
        QVERIFY(column > 30);
        QCOMPARE(right, 0);
    }

    // A write that fails says so and leaves the older file as it was.
    void failures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown extension") << "old.gif" << 1.0 << "not as \".gif\"";
        QTest::newRow("Windows metafile") << "old.wmf" << 1.0 << "not as \".wmf\"";
        QTest::newRow("no extension") << "old" << 1.0 << "not as \"old\"";
        // 8000 x 4000 drawn 1.5 times as large: 72 million pixels.
        QTest::newRow("bitmap too large") << "old.png" << 1.5 << "12000 x 6000 pixels";
    }
    void failures() {
        QFETCH(QString, name);
        QFETCH(double, factor);
        QFETCH(QString, says);
        TPicture big;
        big.Size = QSize(8000, 4000);
        big.Paint = [](QPaintDevice& device, const QTransform&) {
            QPainter p(&device);
            return p.isActive();
        };
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        WriteBytes(path, "older picture");
        const TPictureResult written = WritePictureFile(big, path, factor, 96.0);
        QVERIFY(!written.Ok);
        QVERIFY2(written.Message.contains(says), qPrintable(written.Message));
        QCOMPARE(ReadAll(path), QByteArray("older picture"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{name});
    }

    // A folder the program may not write to: the message names the file,
    // the older picture stays, no temporary file is left.
    void readOnlyFolder() {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(
            dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        const QString folder = dir.filePath("pictures");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/sheet.png";
        WriteBytes(path, "older picture");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        Sheet s;
        BuildForty(s.D());
        const TPicture picture = SheetPicture(s.view);
        // The superuser writes anywhere: the write runs as nobody then.
        const bool root = geteuid() == 0;
        if (root) QVERIFY(seteuid(65534) == 0);
        const TPictureResult written = WritePictureFile(picture, path, 1.0, 96.0);
        if (root) QVERIFY(seteuid(0) == 0);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!written.Ok);
        QVERIFY2(written.Message.startsWith("Could not write " + path), qPrintable(written.Message));
        QCOMPARE(ReadAll(path), QByteArray("older picture"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"sheet.png"});
    }

    // The page: a ninth of the width from the top and the left (an eleventh
    // in landscape), an eleventh before the right edge; a tall picture is
    // made narrower to end an eleventh above the bottom, keeping its shape.
    void printRect_data() {
        QTest::addColumn<QSize>("page");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("wide, portrait") << QSize(900, 1200) << false << QSize(460, 260) << QRect(100, 100, 719, 406);
        QTest::newRow("wide, landscape") << QSize(1200, 900) << true << QSize(460, 260) << QRect(109, 133, 982, 555);
        QTest::newRow("tall, portrait") << QSize(900, 1200) << false << QSize(200, 1000) << QRect(100, 100, 198, 991);
        QTest::newRow("exactly fits") << QSize(1100, 1100) << false << QSize(100, 100) << QRect(122, 122, 878, 878);
        QTest::newRow("empty picture") << QSize(900, 1200) << false << QSize() << QRect();
    }
    void printRect() {
        QFETCH(QSize, page);
        QFETCH(bool, landscape);
        QFETCH(QSize, picture);
        QFETCH(QRect, expected);
        const QRect r = PrintRect(page.width(), page.height(), landscape, picture);
        QCOMPARE(r, expected);
        if (!r.isEmpty()) {
            // One scale for both directions.
            QVERIFY(qAbs(double(r.width()) / r.height() - double(picture.width()) / picture.height()) < 0.01);
            QVERIFY(r.bottom() < page.height() - page.height() / 11);
        }
    }

    // Printing into a PDF file: the drawing lands inside the print rectangle.
    void printToPdf() {
        Sheet s;
        BuildForty(s.D());
        s.view.SetSheetScale(10);
        QTemporaryDir dir;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("print.pdf"));
        printer.setResolution(72);
        QString why;
        QVERIFY2(PrintPicture(printer, SheetPicture(s.view), &why), qPrintable(why));
        const TReadBack back = ReadPicture(dir.filePath("print.pdf"));
        QVERIFY2(back.Ok, qPrintable(back.Error));
        const QRect expected = PrintRect(printer.width(), printer.height(), false, QSize(460, 260));
        // Dark pixels only inside the rectangle (the page is rendered at 72
        // dpi like the printer; the printable area starts at its margins).
        const QImage& page = back.Rendered;
        const QPoint origin = printer.pageLayout().paintRectPixels(72).topLeft();
        int inside = 0, outside = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 128)
                    (expected.adjusted(-2, -2, 2, 2).contains(QPoint(x, y) - origin) ? inside : outside)++;
        QVERIFY(inside > 100);
        QCOMPARE(outside, 0);
    }
};

QTEST_MAIN(TestPictureFiles)
#include "tst_picturefiles.moc"
