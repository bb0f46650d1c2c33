#include <QDir>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

#include "../GuiTestSupport.h"
#include "document/DataFolder.h"
#include "document/DocumentFlow.h"
#include "files/DesignFile.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

// Writes a small design file and returns its path.
std::string WriteSmallDesign(const QString& folder, const QString& name, int resistors) {
    TDesign d;
    for (int i = 0; i < resistors; ++i) AddPart(d, TPartType::Resistor, {100 + 10 * i, 50}, true);
    AddWire(d, {103, 50}, {107, 50});
    const std::string path = (folder + "/" + name).toStdString();
    SilentMessageSink quiet;
    if (!WriteDesign(d, path, quiet)) return {};
    return path;
}

}  // namespace

class TestDocument : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // Each run starts without the recent files of an earlier run.
        QFile::remove(QString::fromStdString(DataFolderPath() + MruFileName));
    }

    void startupOpensTheCommandLineDesignLast() {
        QTemporaryDir dir;
        const std::string path = WriteSmallDesign(dir.path(), "TwoWay.bkt", 2);
        QVERIFY(!path.empty());
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        QStringList order;
        w.OpenDefaultGraphs = [&](bool reset) { order << (reset ? "reset graphs" : "default graphs"); };
        w.AfterSolve = [&] { order << QString("solve %1").arg(w.Session().Design().Parts.size()); };
        w.SetStartupDesign(path);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(order, (QStringList{"default graphs", "reset graphs", "solve 2"}));
        QCOMPARE(w.Session().Design().Parts.size(), std::size_t(2));
        QCOMPARE(w.Session().Design().FileName, path);
        QVERIFY(!w.Session().Design().Modified);
        QCOMPARE(w.windowTitle(), QString("Pelmo -- TwoWay.bkt"));
        QVERIFY(sink.Messages.empty());
        QVERIFY(w.View().Scale() >= 4 && w.View().Scale() % 2 == 0);  // fitted to the design

        // The recent-files menu lists it.
        QCOMPARE(w.ReOpenMenu()->actions().size(), 1);
        QCOMPARE(w.ReOpenMenu()->actions()[0]->text(), QString("&1  TwoWay.bkt"));
        QVERIFY(w.close());
    }

    void aMissingCommandLineDesignStartsEmpty() {
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        QTemporaryDir dir;
        const std::string missing = (dir.path() + "/missing.bkt").toStdString();
        w.SetStartupDesign(missing);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(sink.Messages,
                 (std::vector<std::string>{"FileOpen failed\n" + missing + ": No such file or directory"}));
        QVERIFY(w.Session().Design().Parts.empty());
        QVERIFY(w.Session().Design().FileName.empty());
        QCOMPARE(w.windowTitle(), QString("Pelmo"));
        QVERIFY(w.close());
    }

    // A failed open or save says which file and why, after the fixed text.
    void failuresNameTheFileAndTheCause_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("name");  // in the temporary folder
        QTest::addColumn<QString>("message");
        QTest::newRow("open a missing file") << "Open"
                                             << "gone.bkt"
                                             << "FileOpen failed\n%1: No such file or directory";
        QTest::newRow("open a folder") << "Open"
                                       << "folder.bkt"
                                       << "FileOpen failed\n%1: Is a directory";
        QTest::newRow("save into a missing folder") << "Save As"
                                                    << "no/such/x.bkt"
                                                    << "File Save failed!\n%1: No such file or directory";
        QTest::newRow("save over a folder") << "Save As"
                                            << "folder.bkt"
                                            << "File Save failed!\n%1: Is a directory";
    }
    void failuresNameTheFileAndTheCause() {
        QFETCH(QString, command);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder.bkt"));
        const QString path = dir.path() + "/" + name;
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.ChooseOpenFile = [&](const std::string&, const std::string&) { return path.toStdString(); };
        w.ChooseSaveFile = w.ChooseOpenFile;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        MenuAction(w, "File", command)->trigger();
        QCOMPARE(sink.Messages, std::vector<std::string>{message.arg(path).toStdString()});
        QVERIFY(!QDir(dir.path() + "/no").exists());
        QCOMPARE(w.windowTitle(), QString("Pelmo"));
        QVERIFY(w.close());
    }

    void closingWithChangesAsks() {
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.Session().Design().Modified);
        AddPart(w.Session().Design(), TPartType::Resistor, {20, 10}, true);
        w.Session().Design().Modified = true;

        sink.Answers = {MessageSink::Answer::Cancel};
        QVERIFY(!w.close());
        QCOMPARE(sink.Questions, (std::vector<std::string>{"Save current design?"}));
        QCOMPARE(sink.WithCancel, (std::vector<bool>{true}));

        // Yes, then the Save dialog cancelled: the program stays.
        int dialogs = 0;
        w.ChooseSaveFile = [&](const std::string&, const std::string&) {
            ++dialogs;
            return std::string();
        };
        sink.Answers = {MessageSink::Answer::Yes};
        QVERIFY(!w.close());
        QCOMPARE(dialogs, 1);

        sink.Answers = {MessageSink::Answer::No};
        QVERIFY(w.close());
    }

    // A design double-clicked in a file manager while the program runs.
    void aDesignFromOutsideOpensInTheRunningWindow_data() {
        QTest::addColumn<int>("answer");       // to "Save current design?"
        QTest::addColumn<bool>("saveChosen");  // the Save dialog returns a name
        QTest::addColumn<bool>("opens");
        QTest::newRow("No: opens") << int(MessageSink::Answer::No) << false << true;
        QTest::newRow("Yes, saved: opens") << int(MessageSink::Answer::Yes) << true << true;
        QTest::newRow("Yes, Save cancelled: keeps the design") << int(MessageSink::Answer::Yes) << false << false;
        QTest::newRow("Cancel: keeps the design") << int(MessageSink::Answer::Cancel) << false << false;
    }
    void aDesignFromOutsideOpensInTheRunningWindow() {
        QFETCH(int, answer);
        QFETCH(bool, saveChosen);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        const std::string outside = WriteSmallDesign(dir.path(), "Outside.bkt", 3);
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        AddPart(w.Session().Design(), TPartType::Resistor, {20, 10}, true);
        w.Session().Design().Modified = true;
        const std::string mine = (dir.path() + "/Mine.bkt").toStdString();
        w.ChooseSaveFile = [&](const std::string&, const std::string&) { return saveChosen ? mine : std::string(); };
        w.showMinimized();

        sink.Answers = {static_cast<MessageSink::Answer>(answer)};
        w.OpenFromOutside(outside);
        QCOMPARE(sink.Questions, (std::vector<std::string>{SaveCurrentDesignText}));
        QCOMPARE(sink.WithCancel, (std::vector<bool>{true}));
        QVERIFY(!(w.windowState() & Qt::WindowMinimized));
        QCOMPARE(w.Session().Design().FileName, opens ? outside : std::string());
        QCOMPARE(w.Session().Design().Parts.size(), std::size_t(opens ? 3 : 1));
        QCOMPARE(QFile::exists(QString::fromStdString(mine)), saveChosen);
        if (opens) QCOMPARE(w.windowTitle(), QString("Pelmo -- Outside.bkt"));

        // A start without a design only brings the window forward.
        w.showMinimized();
        w.OpenFromOutside("");
        QVERIFY(!(w.windowState() & Qt::WindowMinimized));
        QCOMPARE(sink.Questions.size(), std::size_t(1));
        w.Session().Design().Modified = false;
        QVERIFY(w.close());
    }

    void saveOnAnExampleAsksForANewName() {
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString examples = QString::fromStdString(w.Session().DataFolder() + ExamplesFolderName);
        const std::string example = WriteSmallDesign(examples, "Example.bkt", 1);
        QVERIFY(!example.empty());

        w.ChooseOpenFile = [&](const std::string& folder, const std::string& name) {
            if (folder != w.Session().DataFolder() + ExamplesFolderName + "/" || !name.empty())
                return std::string("/wrong");
            return example;
        };
        MenuAction(w, "File", "Examples")->trigger();
        QCOMPARE(w.Session().Design().FileName, example);
        QCOMPARE(w.Session().Design().Parts.size(), std::size_t(1));

        QTemporaryDir dir;
        const std::string saved = (dir.path() + "/Mine.bkt").toStdString();
        std::string askedFolder = "?", askedName = "?";
        w.ChooseSaveFile = [&](const std::string& folder, const std::string& name) {
            askedFolder = folder;
            askedName = name;
            return saved;
        };
        MenuAction(w, "File", "Save")->trigger();
        QCOMPARE(askedFolder, w.Session().DataFolder());
        QCOMPARE(askedName, std::string());
        QCOMPARE(w.Session().Design().FileName, saved);
        QCOMPARE(w.windowTitle(), QString("Pelmo -- Mine.bkt"));
        QVERIFY(QFile::exists(QString::fromStdString(saved)));

        // A plain Save now writes without asking.
        askedFolder = "not asked";
        AddPart(w.Session().Design(), TPartType::Capacitor, {30, 30}, true);
        MenuAction(w, "File", "Save")->trigger();
        QCOMPARE(askedFolder, std::string("not asked"));
        QCOMPARE(w.ReOpenMenu()->actions()[0]->text(), QString("&1  Mine.bkt"));
        QCOMPARE(w.ReOpenMenu()->actions()[1]->text(), QString("&2  Example.bkt"));

        // Reopening from the menu.
        MenuAction(w, "File", "New")->trigger();
        QVERIFY(w.Session().Design().Parts.empty());
        w.ReOpenMenu()->actions()[0]->trigger();
        QCOMPARE(w.Session().Design().Parts.size(), std::size_t(2));
        QVERIFY(w.close());
    }

private:
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
