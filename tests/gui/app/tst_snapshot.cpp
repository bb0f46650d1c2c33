// File > Snapshot on the main window: its menu, the three picture sizes
// after the view is fitted, a cancelled dialog, the clipboard forms,
// printing, the pointer put back and failures reported.

#include <QClipboard>
#include <QCursor>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QScrollArea>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

#include "../GuiTestSupport.h"
#include "../PictureReadBack.h"
#include "editor/ViewGeometry.h"
#include "gui/app/SnapshotCommands.h"
#include "gui/pictures/PictureFile.h"
#include "gui/sheet/SheetPicture.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

QMenu* SubMenu(QMenu* menu, const QString& title) {
    for (QAction* a : menu->actions())
        if (a->menu() && a->text() == title) return a->menu();
    return nullptr;
}

QAction* Item(QMenu* menu, const QString& text) {
    for (QAction* a : menu ? menu->actions() : QList<QAction*>())
        if (a->text() == text) return a;
    return nullptr;
}

QMenu* FileMenu(TMainWindow& w) {
    for (QAction* top : w.menuBar()->actions())
        if (top->text().remove('&') == "File") return top->menu();
    return nullptr;
}

// The scale "Fit all" gives the window's sheet now.
int FitScale(TMainWindow& w) {
    QScrollArea* box = w.View().ScrollBox();
    const int bar = box->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, box);
    return FitAllScale(DrawingExtent(w.Session().Design()), box->width() - bar, box->height() - bar);
}

}  // namespace

class TestSnapshot : public QObject {
    Q_OBJECT

    std::unique_ptr<TMainWindow> w_;
    RecordingSink sink_;
    QTemporaryDir dir_;
    QStringList asked_;
    QString answer_;

    TSnapshotCommands& Snapshot() { return w_->Snapshot(); }

private slots:
    void init() {
        w_ = std::make_unique<TMainWindow>();
        w_->SetMessageSink(&sink_);
        sink_ = RecordingSink();
        w_->OpenDefaultGraphs = [](bool) {};
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        BuildThreeWay(w_->Session().Design());
        w_->Session().Design().Modified = false;
        w_->Session().ResetHistory();
        asked_.clear();
        Snapshot().ChoosePictureFile = [this](QWidget*) {
            asked_ << "file";
            return answer_;
        };
    }
    void cleanup() {
        w_->Session().Design().Modified = false;
        w_.reset();
    }

    void menu() {
        QMenu* snapshot = SubMenu(FileMenu(*w_), "Snapshot");
        QVERIFY(snapshot);
        QStringList items;
        for (QAction* a : snapshot->actions()) items << a->text();
        QCOMPARE(items, (QStringList{"To picture file", "To clipboard", "Print"}));
        QStringList files, clips;
        for (QAction* a : SubMenu(snapshot, "To picture file")->actions()) files << a->text();
        for (QAction* a : SubMenu(snapshot, "To clipboard")->actions()) clips << a->text();
        QCOMPARE(files, (QStringList{"Large", "As Shown", "Forum post"}));
        QCOMPARE(clips, (QStringList{"As bitmap", "As vector graphic"}));
    }

    // Each item fits the view, then writes the picture of the fitted sheet
    // times its factor; the design stays unmodified and the pointer returns.
    void toFile_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QString>("name");
        QTest::newRow("Large") << "Large" << 1.5 << "large.png";
        QTest::newRow("As Shown") << "As Shown" << 1.0 << "shown.bmp";
        QTest::newRow("Forum post") << "Forum post" << 0.75 << "forum.jpg";
        QTest::newRow("Large EMF keeps its size") << "Large" << 1.0 << "large.emf";
    }
    void toFile() {
        QFETCH(QString, item);
        QFETCH(double, factor);
        QFETCH(QString, name);
        w_->View().SetSheetScale(24);  // far from what fitting gives
        const QPoint pointer(37, 41);
        QCursor::setPos(pointer);
        answer_ = dir_.filePath(name);
        Item(SubMenu(SubMenu(FileMenu(*w_), "Snapshot"), "To picture file"), item)->trigger();
        QCOMPARE(asked_, QStringList{"file"});
        QVERIFY2(sink_.Messages.empty(), sink_.Messages.empty() ? "" : sink_.Messages[0].c_str());
        QCOMPARE(w_->View().Scale(), FitScale(*w_));
        const QSize shown = SheetPictureSize(DrawingExtent(w_->Session().Design()), w_->View().Scale());
        const TReadBack back = ReadPicture(answer_);
        QVERIFY2(back.Ok, qPrintable(back.Error));
        const QSize expected = name.endsWith(".emf") ? shown - QSize(1, 1) : ScaledPictureSize(shown, factor);
        QCOMPARE(back.Size, expected);
        QVERIFY(DarkPixels(back.Rendered) > 200);
        QVERIFY(!w_->Session().Design().Modified);
        QVERIFY(!w_->Session().History().CanUndo());
        QCOMPARE(QCursor::pos(), pointer);
    }

    // A cancelled dialog changes nothing, not even the view.
    void cancelled() {
        w_->View().SetSheetScale(24);
        answer_.clear();
        Snapshot().ToFile(TSnapshotCommands::LargeFactor);
        QCOMPARE(asked_, QStringList{"file"});
        QCOMPARE(w_->View().Scale(), 24);
        QVERIFY(sink_.Messages.empty());
        bool printed = false;
        Snapshot().ChoosePrinter = [&](QWidget*, QPrinter&) { return false; };
        Snapshot().Print();
        QCOMPARE(w_->View().Scale(), 24);
        QVERIFY(!printed);
    }

    // Failures end in a message: an unknown extension, a missing folder.
    void failures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown extension") << "sheet.gif"
                                           << "not as \".gif\"";
        QTest::newRow("missing folder") << "no/such/folder/sheet.png"
                                        << "Could not write";
    }
    void failures() {
        QFETCH(QString, name);
        QFETCH(QString, says);
        answer_ = dir_.filePath(name);
        Snapshot().ToFile(TSnapshotCommands::AsShownFactor);
        QCOMPARE(sink_.Messages.size(), std::size_t(1));
        QVERIFY2(QString::fromStdString(sink_.Messages[0]).contains(says), sink_.Messages[0].c_str());
        QVERIFY(!QFile::exists(answer_));
    }

    // The clipboard: the bitmap alone, or SVG and EMF beside it.
    void clipboard_data() {
        QTest::addColumn<bool>("vector");
        QTest::newRow("As bitmap") << false;
        QTest::newRow("As vector graphic") << true;
    }
    void clipboard() {
        QFETCH(bool, vector);
        QApplication::clipboard()->clear();
        Item(SubMenu(SubMenu(FileMenu(*w_), "Snapshot"), "To clipboard"), vector ? "As vector graphic" : "As bitmap")
            ->trigger();
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data && data->hasImage());
        const QSize shown = SheetPictureSize(DrawingExtent(w_->Session().Design()), w_->View().Scale());
        const QImage bitmap = qvariant_cast<QImage>(data->imageData());
        QCOMPARE(bitmap.size(), shown);
        QVERIFY(DarkPixels(bitmap) > 200);
        QCOMPARE(data->hasFormat("image/svg+xml"), vector);
        QCOMPARE(data->hasFormat("image/x-emf"), vector);
        if (vector) {
            QVERIFY(SvgTexts(data->data("image/svg+xml")).contains("S1"));
            QVERIFY(data->data("image/x-emf").startsWith(QByteArray("\x01\0\0\0", 4)));  // the EMF header record
        }
    }

    // "Print" into a PDF file: a page with the drawing on it.
    void print() {
        const QString pdf = dir_.filePath("printed.pdf");
        Snapshot().ChoosePrinter = [&](QWidget*, QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        Item(SubMenu(FileMenu(*w_), "Snapshot"), "Print")->trigger();
        QVERIFY(sink_.Messages.empty());
        const TReadBack back = ReadPicture(pdf);
        QVERIFY2(back.Ok, qPrintable(back.Error));
        QVERIFY(DarkPixels(back.Rendered) > 100);
        QCOMPARE(w_->View().Scale(), FitScale(*w_));
    }
};

QTEST_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
