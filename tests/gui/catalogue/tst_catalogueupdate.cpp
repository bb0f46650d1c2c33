// The catalogue update from the program: the options dialog at the first
// start and from the menu, the update off the GUI thread with its progress
// window, cancel, the busy caption, the timers, and the version check.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "../GuiTestSupport.h"
#include "CatalogueGuiKit.h"
#include "PelmoVersion.h"
#include "base/TextFile.h"
#include "document/Settings.h"
#include "gui/app/OptionsDialog.h"
#include "gui/catalogue/PartsCatalogue.h"
#include "gui/catalogue/UpdateProgressDialog.h"
#include "gui/widgets/ModalRunner.h"

using namespace pelmo;
using namespace pelmo::guitest;
namespace fs = std::filesystem;

namespace {

std::string ListFiles() {
    std::string all;
    for (const char* name : {"C.pmd", "L.pmd", "R.pmd", "S.pmd", "V.pmd"})
        all += name + std::string(":") + ReadFileBytes(PartsFolder() + name).value_or("(none)") + "\n";
    return all;
}

bool StagingLeft() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(PartsFolder(), ec))
        if (e.path().filename().string().rfind(".update-", 0) == 0) return true;
    return false;
}

}  // namespace

class TestCatalogueUpdate : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { SetModalRunner({}); }

    // A new user: the options dialog comes first; asking for updates at
    // start fills the lists from the shipped catalogue before the graphs
    // open, under the busy caption and cursor, and starts the timers.
    void firstStartShowsTheOptionsAndUpdates() {
        std::error_code ec;
        fs::remove_all(DataFolderPath(), ec);
        QStringList shown;
        bool startedUnchecked = false;
        SetModalRunner([&](QDialog& d) {
            shown << d.objectName();
            if (auto* options = qobject_cast<TOptionsDialog*>(&d)) {
                startedUnchecked = !options->StartupPartsBox()->isChecked();
                options->StartupPartsBox()->setChecked(true);
                options->CloseButton()->click();
                return options->result();
            }
            return int(QDialog::Rejected);
        });
        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        QString captionDuring;
        bool busyDuring = false;
        w.Catalogue().ProgressShown = [&](TUpdateProgressDialog&) {
            captionDuring = w.windowTitle();
            busyDuring = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        };
        QVERIFY(w.Catalogue().Lists().Inductors.Items.empty());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QCOMPARE(shown, QStringList{"OptionsForm"});
        QVERIFY(startedUnchecked);
        QCOMPARE(captionDuring, QString("**** PLEASE WAIT, UPDATING PARTS DATA ****"));
        QVERIFY(busyDuring);
        QCOMPARE(w.windowTitle(), QString("Pelmo"));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(w.CatalogueTimersStarted());
        QVERIFY(w.Catalogue().UpdatedThisRun());
        const TCatalogue& c = w.Catalogue().Lists();
        QCOMPARE(c.Capacitors.Items.size(), std::size_t(50));
        QCOMPARE(c.Inductors.Items.size(), std::size_t(50));
        QCOMPARE(c.Resistors.Items.size(), std::size_t(75));
        QCOMPARE(c.Drivers.Items.size(), std::size_t(7));
        QCOMPARE(c.Vendors.Items.size(), std::size_t(1));
        QVERIFY(sink.Messages.empty());
        QCOMPARE(w.Session().Graphs().Windows.size(), std::size_t(2));  // the default graphs still open
        const TSettings saved = ReadSettings(DataFolderPath());
        QVERIFY(saved.StartupParts);
        QVERIFY(!saved.FirstTime);
        QVERIFY(!StagingLeft());
    }

    // A later start reads the lists from their files: the browsers have data
    // without an update, and without an update no timer runs.
    void laterStartsReadTheListsWithoutUpdating() {
        TSettings s = ReadSettings(DataFolderPath());
        s.StartupParts = false;
        QVERIFY(WriteSettings(DataFolderPath(), s));
        QStringList shown;
        SetModalRunner([&](QDialog& d) {
            shown << d.objectName();
            return int(QDialog::Rejected);
        });
        TMainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(shown.isEmpty());
        QCOMPARE(w.Catalogue().Lists().Inductors.Items.size(), std::size_t(50));
        QCOMPARE(w.Catalogue().Lists().Drivers.Items.size(), std::size_t(7));
        QVERIFY(!w.Catalogue().UpdatedThisRun());
        QVERIFY(!w.CatalogueTimersStarted());
    }

    // Edit > Options: a server that stalls is cancelled from the progress
    // window and the lists stay as they were; the next update goes through,
    // a second one in the same run does nothing; the settings are saved.
    void optionsCheckNowCancelAndOnce() {
        QTemporaryDir root;
        HttpServer server(root.path().toStdString());
        QVERIFY(!server.Url().empty());
        const std::string before = ListFiles();

        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QString vendorShown, fileShown;
        bool cancelEnabledAfter = true;
        QElapsedTimer sinceCancel;
        w.Catalogue().ProgressShown = [&](TUpdateProgressDialog& p) {
            // The index request hangs: the window names it, then Cancel ends it.
            QTRY_VERIFY(!p.FileText()->text().isEmpty());
            vendorShown = p.VendorText()->text();
            fileShown = p.FileText()->toolTip();
            sinceCancel.start();
            QTest::mouseClick(p.CancelButton(), Qt::LeftButton);
            cancelEnabledAfter = p.CancelButton()->isEnabled();
        };
        QElapsedTimer clock;
        QString afterCancel, afterUpdate, afterSecond;
        std::string filesAfterCancel;
        SetModalRunner([&](QDialog& d) {
            auto* options = qobject_cast<TOptionsDialog*>(&d);
            if (!options) return int(QDialog::Rejected);
            options->show();
            options->ServerField()->setText(QString::fromStdString(server.Url() + "/stall"));
            clock.start();
            QTest::mouseClick(options->UpdatePartsButton(), Qt::LeftButton);
            qInfo("the update ended %lld ms after Cancel", static_cast<long long>(sinceCancel.elapsed()));
            afterCancel = options->CheckResult()->text();
            filesAfterCancel = ListFiles();
            w.Catalogue().ProgressShown = nullptr;
            options->ServerField()->clear();  // the shipped catalogue
            QTest::mouseClick(options->UpdatePartsButton(), Qt::LeftButton);
            afterUpdate = options->CheckResult()->text();
            QTest::mouseClick(options->UpdatePartsButton(), Qt::LeftButton);
            afterSecond = options->CheckResult()->text();
            options->ServerField()->setText("http://example.invalid/parts");
            options->StartupAppBox()->setChecked(true);
            options->CloseButton()->click();
            return options->result();
        });
        MenuAction(w, "Edit", "Options...")->trigger();

        QCOMPARE(vendorShown, QString("Catalogue index"));
        QCOMPARE(fileShown, QString::fromStdString(server.Url() + "/stall/PmParts/DeCoderRing.pmd"));
        QVERIFY(!cancelEnabledAfter);
        QVERIFY(clock.elapsed() < 20000);  // far below the transfer's own time limit
        QCOMPARE(afterCancel, QString("The update was cancelled; the parts lists are as they were."));
        QCOMPARE(filesAfterCancel, before);
        QVERIFY2(afterUpdate.startsWith("Parts lists updated: capacitors 0 added, 0 changed, 0 removed;"),
                 qPrintable(afterUpdate));
        QCOMPARE(afterSecond, QString("The parts lists were updated in this run already."));
        QVERIFY(sink.Messages.empty());
        QCOMPARE(w.windowTitle(), QString("Pelmo"));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!StagingLeft());
        // The shipped catalogue again: the same lists, the dates aside.
        QCOMPARE(w.Catalogue().Lists().Resistors.Items.size(), std::size_t(75));

        const TSettings saved = ReadSettings(DataFolderPath());
        QCOMPARE(saved.CatalogueServer, std::string("http://example.invalid/parts"));
        QVERIFY(saved.StartupApp);
        QVERIFY(!saved.StartupParts);
        TSettings reset = saved;
        reset.StartupApp = false;
        reset.CatalogueServer.clear();
        QVERIFY(WriteSettings(DataFolderPath(), reset));
    }

    // The version check reads the server's version file and tells; it
    // installs nothing.
    void programVersionCheck() {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("PmParts"));
        QVERIFY(WriteFileAtomically(root.path().toStdString() + "/PmParts/PelmoVersion.txt", "99.0.1\r\n", false));
        HttpServer server(root.path().toStdString());
        QVERIFY(!server.Url().empty());

        TMainWindow w;
        RecordingSink sink;
        w.SetMessageSink(&sink);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const std::string running = PELMO_VERSION;
        SetModalRunner([&](QDialog& d) {
            auto* options = qobject_cast<TOptionsDialog*>(&d);
            if (!options) return int(QDialog::Rejected);
            for (const std::string& url : {server.Url(), std::string(), server.Url() + "/missing"}) {
                options->ServerField()->setText(QString::fromStdString(url));
                QTest::mouseClick(options->CheckProgramButton(), Qt::LeftButton);
            }
            options->ServerField()->clear();
            options->CloseButton()->click();
            return options->result();
        });
        MenuAction(w, "Edit", "Options...")->trigger();
        QCOMPARE(sink.Messages.size(), std::size_t(3));
        QCOMPARE(sink.Messages[0], "Pelmo 99.0.1 is available; this is Pelmo " + running +
                                       ".\nInstall the new version with your system's package manager.");
        // The shipped catalogue names the version it came with.
        QCOMPARE(sink.Messages[1], "This Pelmo (" + running + ") is up to date.");
        QCOMPARE(sink.Messages[2], "Could not find out whether a newer Pelmo exists:\n" + server.Url() +
                                       "/missing/PmParts/PelmoVersion.txt was not found");
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestCatalogueUpdate)
#include "tst_catalogueupdate.moc"
