#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

#include "../EditorFixture.h"
#include "base/TextFile.h"
#include "document/DataFolder.h"
#include "document/DocumentFlow.h"
#include "document/RecentFiles.h"
#include "document/Recovery.h"
#include "editor/SheetEdit.h"
#include "files/DesignFile.h"
#include "gui/app/RecoveryCommands.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

QString RecoveryFolder() { return QString::fromStdString(DataFolderPath()) + RecoveryFolderName; }

QStringList CopiesInFolder() { return QDir(RecoveryFolder()).entryList({"*.bkt"}, QDir::Files, QDir::Name); }

// A grid point on the part of this index (what the pointer is put on).
TPoint PointOnPart(const TDesign& d, int index) {
    const TPoint at = d.Parts[static_cast<std::size_t>(index)]->Position;
    for (int r = 0; r <= 4; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                const auto hit = HitTest(d, {at.X + dx, at.Y + dy});
                if (hit && IsPartKind(hit->Kind) && hit->Index == index) return {at.X + dx, at.Y + dy};
            }
    return at;
}

// The window on a copy of the two-way example (two drivers with their
// measurement files).
struct Window : EditorFixture {
    QTemporaryDir dir;
    std::string path = (dir.path() + "/TwoWay.bkt").toStdString();

    Window() {
        QFile::copy(QStringLiteral(PELMO_SOURCE_DIR "/examples/TwoWay.bkt"), QString::fromStdString(path));
        w.SetStartupDesign(path);
    }
    // Rotates the first part with the R key: an edit with its undo step.
    void Edit() {
        AfterDoubleClickWindow();
        MoveTo(PointOnPart(w.Session().Design(), 0));
        Key(Qt::Key_R);
    }
    std::string SavedText() {
        const std::string saved = (dir.path() + "/saved.bkt").toStdString();
        SilentMessageSink quiet;
        if (!WriteDesign(w.Session().Design(), saved, quiet)) return {};
        return *ReadFileBytes(saved);
    }
};

// A copy as a program that ended abnormally leaves it: nobody holds its lock.
void LeaveCopy(const QString& name, const std::string& designPath, const std::vector<std::string>& lines) {
    QDir().mkpath(RecoveryFolder());
    const std::string base = (RecoveryFolder() + "/" + name).toStdString();
    QVERIFY(WriteTextLines(base + ".bkt", lines));
    QVERIFY(WriteFileAtomically(base + ".ini", "[Recovery]\r\nDesign=" + designPath + "\r\nWritten=1700000000\r\n"));
    QVERIFY(WriteFileAtomically(base + ".lock", ""));
}

}  // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void init() { QDir(RecoveryFolder()).removeRecursively(); }

    // An edit is in the recovery folder at once, as a save would write the
    // design; saving ends the copy.
    void anEditIsCopiedAndASaveEndsTheCopy() {
        Window f;
        f.Start();
        QCOMPARE(f.w.Session().Design().FileName, f.path);
        QVERIFY(CopiesInFolder().isEmpty());
        f.Edit();
        QVERIFY(f.w.Session().Design().Modified);
        QTRY_COMPARE(CopiesInFolder().size(), 1);
        const std::string copy = f.w.Session().Recovery().CopyPath();
        QCOMPARE(*ReadFileBytes(copy), f.SavedText());

        // Saved from the menu: gone at once.
        QAction* save = MenuAction(f.w, "File", "Save");
        QVERIFY(save);
        save->trigger();
        QVERIFY(!f.w.Session().Design().Modified);
        QVERIFY(!QFile::exists(QString::fromStdString(copy)));

        // The next edit starts a copy again; the quiet time after the last
        // copy lets the timer wait.
        f.Edit();
        QVERIFY(f.w.RecoveryCommands().Timer().isActive());
        QTRY_COMPARE_WITH_TIMEOUT(CopiesInFolder().size(), 1, 10000);
        // Closing without saving ("No") ends it too.
        f.sink.Answers = {MessageSink::Answer::No};
        QVERIFY(f.w.close());
        QVERIFY(CopiesInFolder().isEmpty());
    }

    // At start-up each copy left behind is offered on its own: the one
    // recovered replaces the design (with its file name, modified), the one
    // put off stays for the next start, the one discarded goes.
    void copiesLeftBehindAreOfferedOneByOne() {
        QTemporaryDir dir;
        const std::string original = (dir.path() + "/Mine.bkt").toStdString();
        TDesign mine;
        AddPart(mine, TPartType::Resistor, {30, 30}, true);
        AddPart(mine, TPartType::Capacitor, {50, 30}, true);
        std::vector<std::string> lines;
        SilentMessageSink quiet;
        QVERIFY(BuildDesignLines(mine, lines, quiet));
        LeaveCopy("20240101-100000-11", original, lines);
        TDesign other;
        AddPart(other, TPartType::Inductor, {30, 30}, true);
        QVERIFY(BuildDesignLines(other, lines, quiet));
        LeaveCopy("20240101-090000-12", "", lines);

        EditorFixture f;
        std::vector<std::string> offered;
        f.w.RecoveryCommands().ChooseRecovery = [&](const TRecoveryCopy& c) {
            offered.push_back(c.DesignPath);
            return c.DesignPath.empty() ? TRecoveryAnswer::Later : TRecoveryAnswer::Recover;
        };
        f.Start();
        QVERIFY(offered.empty());  // a window of a test offers only when asked
        f.w.RecoveryCommands().Offer();
        QCOMPARE(offered, (std::vector<std::string>{original, ""}));
        const TDesign& d = f.w.Session().Design();
        QCOMPARE(d.Parts.size(), std::size_t(2));
        QCOMPARE(d.FileName, original);
        QVERIFY(d.Modified);
        QCOMPARE(f.w.windowTitle(), QString("Pelmo -- *Mine.bkt"));
        QVERIFY(f.sink.Messages.empty());
        // Among the recent files at once, on disk too: a second crash keeps it.
        QCOMPARE(f.w.ReOpenMenu()->actions().value(0)->text(), QString("&1  Mine.bkt"));
        TMostRecentFiles onDisk;
        onDisk.IniFileName = DataFolderPath() + MruFileName;
        onDisk.Load();
        QCOMPARE(onDisk.Files().front(), original);
        // This window's own copy holds the design now; the untitled one waits.
        const QStringList copies = CopiesInFolder();
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies.contains("20240101-090000-12.bkt"));
        QVERIFY(!copies.contains("20240101-100000-11.bkt"));

        // Offered again (a next start): only the one put off; discarded now.
        offered.clear();
        f.w.RecoveryCommands().ChooseRecovery = [&](const TRecoveryCopy& c) {
            offered.push_back(c.DesignPath);
            return TRecoveryAnswer::Discard;
        };
        f.w.RecoveryCommands().Offer();
        QCOMPARE(offered, std::vector<std::string>{""});
        QCOMPARE(CopiesInFolder().size(), 1);
        QCOMPARE(f.w.Session().Design().Parts.size(), std::size_t(2));

        // Saving the recovered design writes its own file.
        MenuAction(f.w, "File", "Save")->trigger();
        QVERIFY(CopiesInFolder().isEmpty());
        TDesign reread;
        RecordingSink sink;
        QVERIFY(OpenDesignFile(reread, original, sink));
        QCOMPARE(reread.Parts.size(), std::size_t(2));
    }

    // A copy that cannot be read is not passed over in silence: the window
    // says which and why, and offers to discard it; kept, it is offered
    // again at the next start. The open design stays as it was.
    void aCopyThatCannotBeReadIsSaidAndCanBeDiscarded_data() {
        QTest::addColumn<bool>("discard");
        QTest::newRow("Discard") << true;
        QTest::newRow("Keep") << false;
    }
    void aCopyThatCannotBeReadIsSaidAndCanBeDiscarded() {
        QFETCH(bool, discard);
        LeaveCopy("20240101-100000-11", "/d/Mine.bkt", {"1 //VoltageSource", "7 //Lines"});
        EditorFixture f;
        f.w.RecoveryCommands().ChooseRecovery = [](const TRecoveryCopy&) { return TRecoveryAnswer::Recover; };
        std::vector<std::string> said;
        f.w.RecoveryCommands().ChooseUnreadableRecovery = [&](const TRecoveryCopy&, const std::string& text) {
            said.push_back(text);
            return discard ? TRecoveryAnswer::Discard : TRecoveryAnswer::Later;
        };
        f.Start();
        f.w.RecoveryCommands().Offer();
        const std::string copy = (RecoveryFolder() + "/20240101-100000-11.bkt").toStdString();
        QCOMPARE(said.size(), std::size_t(1));
        QVERIFY2(said[0].find("Mine.bkt") != std::string::npos, said[0].c_str());
        QVERIFY2(said[0].find(copy + ": damaged or not a design file: line 9 missing") != std::string::npos,
                 said[0].c_str());
        QVERIFY(f.w.Session().Design().Parts.empty());
        QVERIFY(f.w.Session().Design().FileName.empty());
        QCOMPARE(f.w.windowTitle(), QString("Pelmo"));
        QCOMPARE(CopiesInFolder(), discard ? QStringList() : QStringList{"20240101-100000-11.bkt"});

        said.clear();
        f.w.RecoveryCommands().Offer();  // a next start
        QCOMPARE(said.size(), std::size_t(discard ? 0 : 1));
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
