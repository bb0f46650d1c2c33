// The parts browser and the driver browser on the two-way example with the
// shipped generic catalogue: choosing, the live preview, "Ok", "deselect
// part", closing without "Ok", filters, sorting and the wheel's pause.
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "../EditorFixture.h"
#include "CatalogueGuiKit.h"
#include "app/OptionsDialog.h"
#include "catalogue/DriverBrowser.h"
#include "catalogue/UpdateProgressDialog.h"
#include "catalogue/PartBrowser.h"
#include "catalogue/PartsCatalogue.h"
#include "dialogs/ComponentDialog.h"
#include "dialogs/DriverDialog.h"
#include "dialogs/ElementDialogSet.h"
#include "dialogs/ModalRunner.h"
#include "files/DesignFile.h"

using namespace pelmo;
using namespace pelmo::guitest;
namespace fs = std::filesystem;

namespace {

int Column(const TCatalogueBrowser& b, const QString& heading) {
    for (int c = 0; c < b.Grid()->columnCount(); ++c)
        if (b.Grid()->horizontalHeaderItem(c)->text() == heading) return c;
    return -1;
}

int RowOf(const TCatalogueBrowser& b, const QString& partNumber) {
    const int c = Column(b, "Part#");
    for (int r = 0; r < b.Grid()->rowCount(); ++r)
        if (b.Grid()->item(r, c)->text() == partNumber) return r;
    return -1;
}

QStringList ColumnTexts(const TCatalogueBrowser& b, const QString& heading) {
    QStringList out;
    const int c = Column(b, heading);
    for (int r = 0; r < b.Grid()->rowCount(); ++r) out << b.Grid()->item(r, c)->text();
    return out;
}

QPoint RowCentre(const TCatalogueBrowser& b, int row) {
    b.Grid()->scrollToItem(b.Grid()->item(row, 0));
    return b.Grid()->visualItemRect(b.Grid()->item(row, 0)).center();
}

void ClickRow(const TCatalogueBrowser& b, int row) {
    QTest::mouseClick(b.Grid()->viewport(), Qt::LeftButton, {}, RowCentre(b, row));
}

double Number(const QString& cell) {
    QString s = cell;
    s.remove(QRegularExpression("[^0-9.]"));
    return s.toDouble();
}

bool Ascending(const QStringList& cells) {
    for (int i = 1; i < cells.size(); ++i)
        if (Number(cells[i]) < Number(cells[i - 1])) return false;
    return true;
}

}  // namespace

class TestBrowsers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(FillPartsLists());
        f.Start();
        f.w.SetElementDialogs(nullptr);  // the window's own dialogs
        f.w.Catalogue().Reload();
        QCOMPARE(f.w.Catalogue().Lists().Inductors.Items.size(), std::size_t(50));
        f.w.ChooseOpenFile = [this](const std::string&, const std::string&) { return openPath; };
        f.w.ChooseSaveFile = [this](const std::string&, const std::string&) { return savePath; };
        SetModalRunner([this](QDialog& d) {
            auto* b = qobject_cast<TCatalogueBrowser*>(&d);
            if (!b) return int(QDialog::Rejected);
            ++browsed;
            b->show();
            if (!QTest::qWaitForWindowExposed(b)) return int(QDialog::Rejected);
            if (script) script(*b);
            if (b->isVisible()) b->reject();
            return b->result();
        });
    }
    void cleanupTestCase() { SetModalRunner({}); }

    // P over the element under the pointer. A closed dialog leaves no window
    // active offscreen, where a desktop gives the main window back its focus.
    void PressP() {
        f.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        f.Key(Qt::Key_P);
    }

    // A fresh copy of the two-way example, open and solved.
    void init() {
        f.AfterDoubleClickWindow();
        f.w.ElementDialogs().CloseAll();
        f.w.Editor().CancelToIdle();
        f.w.Session().Design().Modified = false;
        const std::string example = std::string(PELMO_SOURCE_DIR) + "/examples/TwoWay.bkt";
        openPath = dir.path().toStdString() + "/TwoWay.bkt";
        fs::copy_file(example, openPath, fs::copy_options::overwrite_existing);
        MenuAction(f.w, "File", "Open")->trigger();
        QCOMPARE(f.w.Session().Design().FileName, openPath);
        f.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        f.sink.Messages.clear();
        script = nullptr;
        browsed = 0;
    }

    void pickAnAirCoreInductorForL1() {
        TDesign& d = f.w.Session().Design();
        TPart& l1 = Part(TPartType::Inductor, 1);
        QCOMPARE(l1.Value, 1.5e-3);
        const DataArray before = SystemSpl(f.w);
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        QString currentAtOpening, valueDuring, esrDuring, vendorDuring, headings;
        bool unchangedAtOpening = false;
        script = [&](TCatalogueBrowser& b) {
            for (int c = 0; c < b.Grid()->columnCount(); ++c)
                headings += b.Grid()->horizontalHeaderItem(c)->text() + "|";
            // A free 1.5 mH part: the grid stands at 1.5 mH, nothing is chosen.
            currentAtOpening = b.Grid()->item(b.Grid()->currentRow(), 0)->text();
            unchangedAtOpening = l1.PartNumber.empty() && b.Grid()->selectedItems().isEmpty();
            ClickRow(b, RowOf(b, "GLA-5M6"));
            // The component dialog follows at once.
            valueDuring = dialog.ValueText()->text();
            esrDuring = dialog.EsrText()->text();
            vendorDuring = static_cast<TPartBrowser&>(b).VendorText()->text();
            QTest::mouseClick(b.OkButton(), Qt::LeftButton);
        };
        f.MoveTo(l1.Position);
        PressP();
        QCOMPARE(browsed, 1);
        QCOMPARE(headings, QString("Value|Tol.|Watts|ESR|Type|AWG|Part#|Vendor|Manuf.|Model|Descr.|"
                                   "Approx. Cost(USD approx)|"));
        QCOMPARE(currentAtOpening, QString("1.5mH"));
        QVERIFY(unchangedAtOpening);
        QCOMPARE(valueDuring, QString("5.6mH"));
        QCOMPARE(esrDuring, QString("1.31ohm"));
        QCOMPARE(vendorDuring, QString("GENERIC  GLA-5M6"));

        // "Ok": the part is bound, its DCR is the part's ESR, the curves moved.
        QCOMPARE(l1.PartNumber, std::string("GLA-5M6"));
        QCOMPARE(l1.Vendor, std::string("GENERIC"));
        QCOMPARE(PartValue(l1), 5.6e-3);
        QCOMPARE(PartESR(l1), 1.31);
        QCOMPARE(l1.Value, 1.5e-3);  // its own value waits for "deslect part#"
        QVERIFY(SystemSpl(f.w) != before);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QVERIFY(d.Modified);
        QVERIFY(f.sink.Messages.empty());

        // Opening again finds the part's own row; "deselect part" unbinds it.
        QString chosenAtOpening;
        script = [&](TCatalogueBrowser& b) {
            const auto selected = b.Grid()->selectedItems();
            chosenAtOpening = selected.isEmpty() ? "" : b.Grid()->item(selected[0]->row(), Column(b, "Part#"))->text();
            QTest::mouseClick(b.DeselectButton(), Qt::LeftButton);
        };
        f.MoveTo(l1.Position);
        PressP();
        QCOMPARE(chosenAtOpening, QString("GLA-5M6"));
        QVERIFY(l1.PartNumber.empty());
        QCOMPARE(PartValue(l1), 1.5e-3);
        QCOMPARE(PartESR(l1), 0.53);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(SystemSpl(f.w), before);
    }

    // The browser is one undo step with the dialog it came from, and the
    // binding is in the saved design.
    void aChosenPartIsSavedAndUndone() {
        TPart& c1 = Part(TPartType::Capacitor, 1);
        const DataArray before = SystemSpl(f.w);
        script = [&](TCatalogueBrowser& b) {
            ClickRow(b, RowOf(b, "GCN-15U"));
            QTest::mouseClick(b.OkButton(), Qt::LeftButton);
        };
        f.MoveTo(c1.Position);
        PressP();
        QCOMPARE(c1.PartNumber, std::string("GCN-15U"));
        QCOMPARE(PartValue(c1), 15e-6);
        savePath = dir.path().toStdString() + "/Bound.bkt";
        MenuAction(f.w, "File", "Save As")->trigger();
        openPath = savePath;
        MenuAction(f.w, "File", "Open")->trigger();
        TPart& reread = Part(TPartType::Capacitor, 1);
        QCOMPARE(reread.PartNumber, std::string("GCN-15U"));
        QCOMPARE(reread.Vendor, std::string("GENERIC"));
        QCOMPARE(PartValue(reread), 15e-6);
        QCOMPARE(PartESR(reread), 1.06);

        // Undo in the session that chose it.
        openPath = dir.path().toStdString() + "/TwoWay.bkt";
        MenuAction(f.w, "File", "Open")->trigger();
        TPart& fresh = Part(TPartType::Capacitor, 1);
        f.MoveTo(fresh.Position);
        PressP();
        QCOMPARE(fresh.PartNumber, std::string("GCN-15U"));
        MenuAction(f.w, "Edit", "Undo")->trigger();
        QVERIFY(Part(TPartType::Capacitor, 1).PartNumber.empty());
        QCOMPARE(SystemSpl(f.w), before);
    }

    // Closing without "Ok" (Escape) leaves the part as it was, after any
    // number of rows passed over; the component dialog stays open.
    void closingWithoutOkKeepsThePart() {
        TPart& l1 = Part(TPartType::Inductor, 1);
        std::vector<std::string> before = f.Lines();
        const DataArray spl = SystemSpl(f.w);
        bool changedWhileBrowsing = false;
        script = [&](TCatalogueBrowser& b) {
            ClickRow(b, RowOf(b, "GLS-2M2"));
            ClickRow(b, RowOf(b, "GLA-3M3"));
            changedWhileBrowsing = l1.PartNumber == "GLA-3M3" && SystemSpl(f.w) != spl;
            QTest::keyClick(b.Grid(), Qt::Key_Escape);
        };
        f.MoveTo(l1.Position);
        PressP();
        QVERIFY(changedWhileBrowsing);
        QVERIFY(l1.PartNumber.empty());
        QCOMPARE(SystemSpl(f.w), spl);
        QVERIFY(f.w.ElementDialogs().Component().isVisible());
        f.w.ElementDialogs().CloseAll();
        QCOMPARE(f.Lines(), before);
    }

    void partFiltersAndSorting() {
        TPart& l1 = Part(TPartType::Inductor, 1);
        QStringList types, filtered, byEsr, byEsrDown, byValue;
        int none = -1, all = -1;
        script = [&](TCatalogueBrowser& b) {
            auto& pb = static_cast<TPartBrowser&>(b);
            QCOMPARE(pb.TypeBox(0)->text(), QString("Air core"));
            QCOMPARE(pb.TypeBox(1)->text(), QString("Solid core"));
            QCOMPARE(pb.TypeBox(2)->text(), QString("Foil"));
            QTest::mouseClick(pb.TypeBox(0), Qt::LeftButton);
            types = ColumnTexts(b, "Type");
            QTest::mouseClick(pb.TypeBox(1), Qt::LeftButton);
            QTest::mouseClick(pb.TypeBox(2), Qt::LeftButton);
            none = b.Grid()->rowCount();
            for (int i = 0; i < 3; ++i) QTest::mouseClick(pb.TypeBox(i), Qt::LeftButton);
            all = b.Grid()->rowCount();
            QTest::keyClicks(b.FilterField(), "FERRITE 18");
            // Every word in the part number, model or description.
            const QStringList numbers = ColumnTexts(b, "Part#"), models = ColumnTexts(b, "Model");
            for (int i = 0; i < numbers.size(); ++i) filtered << numbers[i] + " " + models[i];
            b.FilterField()->clear();
            const int esr = Column(b, "ESR");
            QTest::mouseClick(b.Grid()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                              QPoint(b.Grid()->horizontalHeader()->sectionViewportPosition(esr) + 5, 5));
            byEsr = ColumnTexts(b, "ESR");
            b.Grid()->horizontalHeader()->sectionClicked(esr);
            byEsrDown = ColumnTexts(b, "ESR");
            b.Grid()->horizontalHeader()->sectionClicked(esr);
            byValue = ColumnTexts(b, "Value");
        };
        f.MoveTo(l1.Position);
        PressP();
        QCOMPARE(types.size(), 25);
        QCOMPARE(types.filter("Solid Core").size(), 25);
        QCOMPARE(none, 0);
        QCOMPARE(all, 50);
        QVERIFY(!filtered.isEmpty());
        for (const QString& m : filtered) QVERIFY2(m.contains("18"), qPrintable(m));
        QVERIFY(filtered.size() < 25);
        QCOMPARE(byEsr.size(), 50);
        QVERIFY(Ascending(byEsr));
        QVERIFY(!Ascending(byEsrDown));
        std::reverse(byEsrDown.begin(), byEsrDown.end());
        QVERIFY(Ascending(byEsrDown));
        QVERIFY(Ascending(byValue));  // back in the catalogue's order
        QVERIFY(l1.PartNumber.empty());
    }

    // The wheel scrolls the grid; for 300 ms after it a click chooses
    // nothing. A double click chooses and closes.
    void wheelPauseAndDoubleClick() {
        TPart& l1 = Part(TPartType::Inductor, 1);
        bool paused = false, chosenInPause = true, chosenAfter = false;
        int rowFound = -2;
        int scrolledBy = 0;
        script = [&](TCatalogueBrowser& b) {
            QScrollBar* bar = b.Grid()->verticalScrollBar();
            bar->setValue(0);
            const int start = bar->value();
            f.Wheel(b.Grid()->viewport(), QPoint(20, 40), -240);
            scrolledBy = bar->value() - start;
            paused = b.ChoosingPaused();
            QTest::mouseClick(b.Grid()->viewport(), Qt::LeftButton, {}, QPoint(20, 40));
            chosenInPause = !l1.PartNumber.empty();
            QTRY_VERIFY(!b.ChoosingPaused());
            QTest::mouseClick(b.Grid()->viewport(), Qt::LeftButton, {}, QPoint(20, 40));
            chosenAfter = !l1.PartNumber.empty();
            const int row = RowOf(b, "GLS-2M2");
            b.Grid()->scrollToItem(b.Grid()->item(row, 0));
            const QPoint at = RowCentre(b, row);
            rowFound = row;
            QTest::mouseClick(b.Grid()->viewport(), Qt::LeftButton, {}, at);
            QTest::qWait(QApplication::doubleClickInterval() + 50);
            QTest::mouseDClick(b.Grid()->viewport(), Qt::LeftButton, {}, at);
        };
        f.MoveTo(l1.Position);
        PressP();
        QCOMPARE(scrolledBy, 2);
        QVERIFY(rowFound >= 0);
        QVERIFY(paused);
        QVERIFY(!chosenInPause);
        QVERIFY(chosenAfter);
        QCOMPARE(QString::fromStdString(l1.PartNumber), QString("GLS-2M2"));
        QVERIFY(!f.w.ElementDialogs().Component().isVisible());
    }

    void pickACatalogueWooferForS1() {
        TDriver& s1 = Driver(1);
        const DataArray before = SystemSpl(f.w);
        const std::string oldFrd = s1.Acoustic.FRDFile;
        QString vendorDuring;
        bool liveDuring = false;
        // Through the driver dialog's "Find a Part#", which shows the part
        // while the user browses.
        TDriverDialog& dialog = f.w.ElementDialogs().Driver();
        QString shownDuring;
        std::string folderDuring;
        script = [&](TCatalogueBrowser& b) {
            ClickRow(b, RowOf(b, "GW-200"));
            vendorDuring = static_cast<TDriverBrowser&>(b).VendorText()->text();
            liveDuring = s1.PartNumber == "GW-200" && SystemSpl(f.w) != before;
            folderDuring = s1.Acoustic.FRDFolder;
            shownDuring = dialog.PartNumberPanel()->isVisibleTo(&dialog) ? dialog.PartNumberText()->text() : "";
            QTest::mouseClick(b.OkButton(), Qt::LeftButton);
        };
        f.MoveTo(s1.Position);
        f.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        f.Key(Qt::Key_T);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.FindPartButton()->isEnabled());
        QTest::mouseClick(dialog.FindPartButton(), Qt::LeftButton);
        QCOMPARE(browsed, 1);
        QCOMPARE(f.w.ElementDialogs().DriverBrowser()->Outcome(), TCatalogueBrowser::TOutcome::Chosen);
        QCOMPARE(shownDuring, QString("GENERIC #GW-200"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(vendorDuring, QString("GENERIC  GW-200"));
        QVERIFY(liveDuring);
        const std::string parts = PartsFolder();
        QCOMPARE(s1.PartNumber, std::string("GW-200"));
        QCOMPARE(s1.Vendor, std::string("GENERIC"));
        QCOMPARE(s1.Acoustic.FRDFile, parts + "GENERIC_GW-200/GW-200@0.frd");
        // The folder of the set counts until the design is written (the undo
        // step taken at "Ok" embeds the files, as saving does).
        QCOMPARE(folderDuring, parts + "GENERIC_GW-200/");
        QCOMPARE(s1.ZMAFile, parts + "GENERIC_GW-200.zma");
        QCOMPARE(s1.Description, std::string("Generic GW-200"));
        QCOMPARE(s1.NominalDia, 8.0);
        QCOMPARE(s1.Rating, 100.0);
        QVERIFY(!s1.Acoustic.HilbertPhase);
        QVERIFY(f.sink.Messages.empty());
        const DataArray picked = SystemSpl(f.w);
        QVERIFY(picked != before);
        const TComplexArray response = s1.Acoustic.Response, admittance = s1.Admittance;

        // Saved with its files and back after reopening.
        savePath = dir.path().toStdString() + "/Woofer.bkt";
        MenuAction(f.w, "File", "Save As")->trigger();
        QCOMPARE(f.w.Session().Design().FileName, savePath);
        openPath = dir.path().toStdString() + "/TwoWay.bkt";
        MenuAction(f.w, "File", "Open")->trigger();
        QVERIFY(Driver(1).PartNumber.empty());
        openPath = savePath;
        MenuAction(f.w, "File", "Open")->trigger();
        TDriver& reread = Driver(1);
        const std::string support = SupportFolderFor(savePath);
        QCOMPARE(reread.PartNumber, std::string("GW-200"));
        QCOMPARE(reread.Acoustic.FRDFile, support + "GW-200@0.frd");
        QCOMPARE(reread.ZMAFile, support + "GENERIC_GW-200.zma");
        for (const char* offAxis : {"GW-200@15.frd", "GW-200@60.frd"})
            QVERIFY2(fs::exists(support + offAxis), offAxis);
        QCOMPARE(reread.Acoustic.Response.Re.size(), response.Re.size());
        for (std::size_t k = 0; k < response.Re.size(); ++k) {
            QVERIFY(std::abs(reread.Acoustic.Response.Re[k] - response.Re[k]) <=
                    1e-6 * std::abs(response.Re[k]) + 1e-9);
            QVERIFY(std::abs(reread.Admittance.Re[k] - admittance.Re[k]) <= 1e-6 * std::abs(admittance.Re[k]) + 1e-12);
        }
        QVERIFY(f.sink.Messages.empty());
    }

    // Browsing drivers changes the design live; closing without "Ok"
    // leaves it exactly as it was.
    void closingTheDriverBrowserWithoutOkLeavesTheDesign() {
        TDriver& s1 = Driver(1);
        const std::vector<std::string> before = f.Lines();
        const DataArray spl = SystemSpl(f.w);
        bool liveDuring = false;
        script = [&](TCatalogueBrowser& b) {
            ClickRow(b, RowOf(b, "GW-165"));
            ClickRow(b, RowOf(b, "GT-25"));
            liveDuring = s1.PartNumber == "GT-25" && SystemSpl(f.w) != spl;
            b.close();
        };
        QCOMPARE(BrowseDriver(s1), TCatalogueBrowser::TOutcome::Cancelled);
        QVERIFY(liveDuring);
        QVERIFY(s1.PartNumber.empty());
        QCOMPARE(SystemSpl(f.w), spl);
        QCOMPARE(f.Lines(), before);
    }

    void driverFiltersAndSorting() {
        TDriver& s1 = Driver(1);
        QStringList noWoofers, midSize, domes, byDiameter, headings;
        script = [&](TCatalogueBrowser& b) {
            auto& db = static_cast<TDriverBrowser&>(b);
            for (int c = 0; c < b.Grid()->columnCount(); ++c) headings << b.Grid()->horizontalHeaderItem(c)->text();
            QTest::mouseClick(db.TypeBox(1), Qt::LeftButton);  // woofer
            noWoofers = ColumnTexts(b, "Part#");
            QTest::mouseClick(db.TypeBox(1), Qt::LeftButton);
            for (int i : {0, 1, 2, 4}) QTest::mouseClick(db.SizeBox(i), Qt::LeftButton);
            midSize = ColumnTexts(b, "Part#");
            for (int i : {0, 1, 2, 4}) QTest::mouseClick(db.SizeBox(i), Qt::LeftButton);
            QTest::keyClicks(b.FilterField(), "dome");
            domes = ColumnTexts(b, "Part#");
            b.FilterField()->clear();
            const int dia = Column(b, "Nom Dia");
            b.Grid()->horizontalHeader()->sectionClicked(dia);
            b.Grid()->horizontalHeader()->sectionClicked(dia);
            byDiameter = ColumnTexts(b, "Nom Dia");
        };
        QCOMPARE(BrowseDriver(s1), TCatalogueBrowser::TOutcome::Cancelled);
        QCOMPARE(headings.size(), 14);
        QCOMPARE(headings[5], QString("dBSPL@2.83V/m"));
        // GW-165 is a woofer and a midrange: its midrange box keeps it.
        QCOMPARE(noWoofers, (QStringList{"GT-19", "GT-25", "GM-100", "GW-165", "GS-300"}));
        QCOMPARE(midSize, (QStringList{"GW-250P", "GS-300"}));
        QCOMPARE(domes, (QStringList{"GT-19", "GT-25"}));
        QCOMPARE(byDiameter, (QStringList{"12", "10", "8", "6.5", "4", "1", "0.8"}));
    }

    // Pictures of both browsers for the record (PELMO_SCREENSHOTS=folder).
    void screenshots() {
        const QString folder = qEnvironmentVariable("PELMO_SCREENSHOTS");
        if (folder.isEmpty()) QSKIP("PELMO_SCREENSHOTS not set");
        TPart& l1 = Part(TPartType::Inductor, 1);
        script = [&](TCatalogueBrowser& b) {
            ClickRow(b, RowOf(b, "GLA-5M6"));
            QTest::qWait(50);  // the details lay out again for their texts
            QVERIFY(b.grab().save(folder + "/parts-browser.png"));
            QVERIFY(f.w.ElementDialogs().Component().grab().save(folder + "/component-dialog.png"));
            QTest::mouseClick(b.OkButton(), Qt::LeftButton);
        };
        f.MoveTo(l1.Position);
        PressP();
        script = [&](TCatalogueBrowser& b) {
            ClickRow(b, RowOf(b, "GW-200"));
            QTest::qWait(50);
            QVERIFY(b.grab().save(folder + "/driver-browser.png"));
            QTest::mouseClick(b.OkButton(), Qt::LeftButton);
        };
        BrowseDriver(Driver(1));

        // The options and a running update's progress window.
        TOptionsDialog& options = f.w.Options();
        options.Load();
        options.adjustSize();
        QVERIFY(options.grab().save(folder + "/options.png"));
        TUpdateProgressDialog progress(&f.w);
        TUpdateProgress now;
        now.Vendor = "GENERIC";
        now.Url = "file:///usr/share/pelmo/catalogue/PmParts/GENERIC/Drivers.pmd";
        now.VendorIndex = 1;
        now.VendorCount = 1;
        progress.ShowProgress(now);
        progress.adjustSize();
        QVERIFY(progress.grab().save(folder + "/update-progress.png"));
    }

private:
    TPart& Part(TPartType type, int refDes) {
        for (auto& p : f.w.Session().Design().Parts)
            if (p->PartType == type && p->RefDes == refDes) return *p;
        qFatal("no such part");
    }
    TDriver& Driver(int refDes) {
        for (auto& d : f.w.Session().Design().Drivers)
            if (d->RefDes == refDes) return *d;
        qFatal("no such driver");
    }
    TCatalogueBrowser::TOutcome BrowseDriver(TDriver& drv) {
        TDesign& d = f.w.Session().Design();
        for (std::size_t i = 0; i < d.Drivers.size(); ++i)
            if (d.Drivers[i].get() == &drv) return f.w.ElementDialogs().DriverBrowser()->Browse(static_cast<int>(i));
        return TCatalogueBrowser::TOutcome::Cancelled;
    }

    EditorFixture f;
    QTemporaryDir dir;
    std::string openPath, savePath;
    std::function<void(TCatalogueBrowser&)> script;
    int browsed = 0;
};

QTEST_MAIN(TestBrowsers)
#include "tst_browsers.moc"
