#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "../EditorFixture.h"
#include "document/DataFolder.h"
#include "document/DocumentFlow.h"
#include "files/BlockFile.h"
#include "graphs/GraphRecord.h"
#include "gui/blocks/BlockConfigurationForm.h"
#include "gui/blocks/BlockMenuCommands.h"
#include "gui/dialogs/BlockVariablesDialog.h"
#include "gui/dialogs/ComponentDialog.h"
#include "gui/dialogs/ElementDialogSet.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/widgets/EditReal.h"

using namespace pelmo;
using namespace pelmo::guitest;

// The circuit block designer and blocks placed from their files, through
// the menus, the configuration form, the sheet and the element dialogs.
class TestBlockDesigner : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        f.Start();
        f.w.SetElementDialogs(nullptr);  // the window's own dialogs
        QVERIFY(dir.isValid());
        f.w.ChooseSaveFile = [this](const std::string&, const std::string&) {
            ++designSaveDialogs;
            return std::string();
        };
        Blocks().ChooseBlockToSave = [this](const std::string& folder, const std::string&) {
            saveFolders.push_back(folder);
            return blockSavePath;
        };
        Blocks().ChooseBlockToOpen = [this](const std::string& folder) {
            openFolders.push_back(folder);
            return blockOpenPath;
        };
    }

    void init() {
        f.AfterDoubleClickWindow();
        f.w.ElementDialogs().CloseAll();
        f.w.Editor().CancelToIdle();
        if (f.w.Session().Design().BlockDesignMode) {
            f.w.Session().Design().Modified = false;
            QVERIFY(Blocks().ChangeMode());
        }
        f.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        f.sink.Messages.clear();
        f.sink.Questions.clear();
        f.sink.WithCancel.clear();
        f.sink.Answers.clear();
        saveFolders.clear();
        openFolders.clear();
        designSaveDialogs = 0;
    }

    // The mode menu item, the items each mode shows, the caption and the form.
    void theModeSwitchShowsEachModesItems() {
        TBlockMenuCommands& b = Blocks();
        TDesign& d = f.w.Session().Design();
        // A driver across the source, so that the graphs have curves.
        ClearElements(d);
        AddGround(d, {121, 66});
        AddWire(d, {121, 62}, {133, 62});
        AddDriver(d, {134, 63});
        AddWire(d, {133, 64}, {133, 66});
        AddWire(d, {121, 66}, {133, 66});
        f.w.Session().Solve();
        d.Modified = false;
        QCOMPARE(SystemSpl().Count(), std::size_t(500));
        QCOMPARE(b.ChangeModeAction()->text(), QString("Circuit Block Editor"));
        QVERIFY(b.CircuitBlocksAction()->isVisible());
        QVERIFY(!b.OpenBlockAction()->isVisible() && !b.SaveBlockAction()->isVisible());
        QVERIFY(!b.Form().isVisible());

        b.ChangeModeAction()->trigger();
        QVERIFY(d.BlockDesignMode);
        QCOMPARE(f.w.windowTitle(), QString("Pelmo ---- designing Circuit Block"));
        QCOMPARE(f.w.GraphWindows().Caption(), QString("Pelmo ---- designing Circuit Block"));
        QCOMPARE(b.ChangeModeAction()->text(), QString("Schematic Editor"));
        QVERIFY(b.OpenBlockAction()->isVisible() && b.SaveBlockAction()->isVisible());
        QVERIFY(!b.CircuitBlocksAction()->isVisible());
        const QStringList schematicOnly = {"New", "Open", "ReOpen", "Save", "Save As", "AddGraph"};
        for (QAction* a : AllMenuActions())
            if (schematicOnly.contains(a->text())) QVERIFY2(!a->isVisible(), qPrintable(a->text()));
        QVERIFY(b.Form().isVisible());
        QCOMPARE(b.Form().windowTitle(), QString("Circuit Block Configuration Form"));
        QVERIFY(!d.Source.Placed);
        // The design left behind is not drawn, so its curves are not shown.
        for (const TGraphRecord* g : f.w.Session().Graphs().Windows)
            for (const TSeriesDef& c : g->Curves) QVERIFY2(c.MagSeries.Empty(), c.Name.c_str());
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        // The driver tool does nothing here.
        f.Tool(TElementKind::Driver);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);

        b.ChangeModeAction()->trigger();
        QVERIFY(!d.BlockDesignMode);
        QCOMPARE(f.w.windowTitle(), QString("Pelmo"));
        QVERIFY(d.Source.Placed);
        QVERIFY(!b.Form().isVisible());
        for (QAction* a : AllMenuActions())
            if (schematicOnly.contains(a->text())) QVERIFY2(a->isVisible(), qPrintable(a->text()));
        QVERIFY(f.sink.Questions.empty());
    }

    // Every control of the form lies inside it, the intermediate row too; the
    // header edits go into the block and mark the drawing modified; names are
    // checked as they are typed.
    void theFormWritesTheHeaderAndChecksNames() {
        EnterDesigner();
        TBlockConfigurationForm& form = Blocks().Form();
        const TCircuitBlock& b = f.w.Session().Design().SharedBlock;
        for (const QWidget* child : form.findChildren<QWidget*>())
            if (child->parentWidget() == &form)
                QVERIFY2(form.rect().contains(child->geometry()), qPrintable(child->objectName()));
        QVERIFY(form.NameField(0)->isVisible() && form.ExpressionField(1)->isVisible());

        struct Edit {
            QLineEdit* field;
            QString text;
            const std::string* stored;
        };
        const Edit edits[] = {
            {form.TitleField(), "t", &b.Title},
            {form.DescriptionField(3), "d", &b.VarDesc[3]},
            {form.NameField(1), "X1", &b.VarName[1]},
            {form.ExpressionField(1), "1+1", &b.VarExpression[1]},
        };
        for (const Edit& e : edits) {
            f.w.Session().Design().Modified = false;
            e.field->clear();
            QTest::keyClicks(e.field, e.text);
            QCOMPARE(QString::fromStdString(*e.stored), e.text);
            QVERIFY2(f.w.Session().Design().Modified, qPrintable(e.field->objectName()));
        }

        // Only letters, digits and "_" get into a name, six at most.
        QLineEdit* name = form.NameField(4);
        name->clear();
        QTest::keyClicks(name, "a-b.c d_e9xyz");
        QCOMPARE(name->text(), QString("abcd_e"));
        QVERIFY(form.CheckText()->text().isEmpty());
        const struct {
            QString typed;
            QString message;
        } names[] = {
            {"2a", "2a is not a valid variable name."},
            {"x1", "Illegal or duplicated variable name"},  // slot 1 has X1
            {"Pi", "Illegal or duplicated variable name"},
            {"Depth", ""},
        };
        for (const auto& n : names) {
            name->clear();
            QTest::keyClicks(name, n.typed);
            QCOMPARE(form.CheckText()->text(), n.message);
            QCOMPARE(QString::fromStdString(b.VarName[4]), n.typed);
        }
        // The intermediate expression is checked when it is left.
        form.ExpressionField(1)->clear();
        QTest::keyClicks(form.ExpressionField(1), "2*nothing");
        QTest::keyClick(form.ExpressionField(1), Qt::Key_Return);
        QVERIFY2(form.CheckText()->text().contains("nothing", Qt::CaseInsensitive),
                 qPrintable(form.CheckText()->text()));
        Type(form.ExpressionField(1), "Depth");
        QTest::keyClick(form.ExpressionField(1), Qt::Key_Return);
        QVERIFY2(form.CheckText()->text().isEmpty(), qPrintable(form.CheckText()->text()));
        Capture(form, "configuration-form-check");
    }

    // Leaving the designer with changes asks Yes/No/Cancel; Yes saves the
    // block (never as a design), Cancel stays with the drawing.
    void leavingTheDesignerAsksAndYesSavesTheBlock() {
        EnterDesigner();
        TDesign& d = f.w.Session().Design();
        d.SharedBlock = TCircuitBlock();
        d.SharedBlock.Title = "one resistor";
        Blocks().Form().Load();
        f.Tool(TElementKind::Resistor);
        f.ClickAt({100, 60});
        QCOMPARE(d.Parts.size(), std::size_t(1));
        QVERIFY(d.Modified);
        // Undo and redo work on the drawing; no source comes with them.
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(d.Parts.empty());
        f.Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(d.Parts.size(), std::size_t(1));
        QVERIFY(!d.Source.Placed);
        QVERIFY(d.BlockDesignMode);

        f.sink.Answers = {MessageSink::Answer::Cancel};
        QVERIFY(!Blocks().ChangeMode());
        QCOMPARE(f.sink.WithCancel, std::vector<bool>{true});
        QVERIFY(d.BlockDesignMode);
        QCOMPARE(d.Parts.size(), std::size_t(1));

        // Yes with the block's save dialog cancelled: still there.
        blockSavePath.clear();
        f.sink.Answers = {MessageSink::Answer::Yes};
        QVERIFY(!Blocks().ChangeMode());
        QVERIFY(d.BlockDesignMode);
        QCOMPARE(saveFolders.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(saveFolders[0]), QString::fromStdString(Blocks().BlocksFolder()));

        blockSavePath = Path("resistor.pbk");
        f.sink.Answers = {MessageSink::Answer::Yes};
        QVERIFY(Blocks().ChangeMode());
        QVERIFY(!d.BlockDesignMode);
        QVERIFY(QFileInfo::exists(QString::fromStdString(blockSavePath)));
        QCOMPARE(designSaveDialogs, 0);
        QVERIFY(d.Parts.empty());
        QVERIFY(f.sink.Messages.empty());

        // Opening a design from outside in the designer goes back to the
        // schematic first, asking about the drawing.
        EnterDesigner();
        f.Tool(TElementKind::Ground);
        f.ClickAt({100, 60});
        f.sink.Questions.clear();
        f.sink.Answers = {MessageSink::Answer::Cancel};
        f.w.OpenFromOutside(TwoWayPath());
        QVERIFY(d.BlockDesignMode);
        QCOMPARE(d.Grounds.size(), std::size_t(1));
        f.sink.Answers = {MessageSink::Answer::No};
        f.w.OpenFromOutside(TwoWayPath());
        QVERIFY(!d.BlockDesignMode);
        QCOMPARE(d.Drivers.size(), std::size_t(2));
        QCOMPARE(f.sink.Questions.size(), std::size_t(2));  // once per attempt
    }

    // A notch block drawn from scratch, saved, placed into a two-way design
    // from its file and tuned: the notch in the summed response follows its
    // frequency variable; undo takes the block out again.
    void aNotchBlockIsDesignedPlacedAndTuned() {
        EnterDesigner();
        TDesign& d = f.w.Session().Design();
        TBlockConfigurationForm& form = Blocks().Form();
        d.SharedBlock = TCircuitBlock();
        form.Load();

        Type(form.TitleField(), "Series notch");
        const struct {
            int slot;
            const char* name;
            const char* value;
            const char* desc;
        } user[] = {
            {2, "F", "400", "Notch frequency (Hz)"},
            {3, "Q", "4", "Notch Q"},
            {4, "D", "20", "Notch depth (dB)"},
        };
        for (const auto& u : user) {
            Type(form.NameField(u.slot), u.name);
            TEditReal* value = form.ValueField(u.slot)->EditReal();
            value->selectAll();
            QTest::keyClicks(value, u.value);
            QTest::keyClick(value, Qt::Key_Return);
            Type(form.DescriptionField(u.slot), u.desc);
        }
        Type(form.NameField(0), "W");
        Type(form.ExpressionField(0), "2*pi*F");
        Type(form.NameField(1), "Rp");
        Type(form.ExpressionField(1), "6*(10^(D/20)-1)");
        QVERIFY(form.CheckText()->text().isEmpty());
        QCOMPARE(d.SharedBlock.VarValue[2], 400.0);
        QCOMPARE(d.SharedBlock.VarValue[4], 20.0);
        Capture(form, "configuration-form");

        // Resistor, inductor and capacitor in parallel between two rails.
        f.Tool(TElementKind::Resistor);
        f.ClickAt({100, 60});
        f.Tool(TElementKind::Inductor);
        f.ClickAt({100, 56});
        f.Tool(TElementKind::Capacitor);
        f.ClickAt({100, 52});
        f.AfterDoubleClickWindow();
        f.Drag({97, 52}, {97, 60});
        f.AfterDoubleClickWindow();
        f.Drag({103, 52}, {103, 60});
        QCOMPARE(d.Parts.size(), std::size_t(3));
        QCOMPARE(d.Wires.size(), std::size_t(2));

        // Each part's value expression, in the component dialog's tall layout.
        TComponentDialog& dialog = f.w.ElementDialogs().Component();
        const struct {
            TPoint at;
            const char* expression;
        } members[] = {{{100, 60}, "Rp"}, {{100, 56}, "Rp/(W*Q)"}, {{100, 52}, "Q/(W*Rp)"}};
        for (const auto& m : members) {
            f.AfterDoubleClickWindow();
            f.MoveTo(m.at);
            f.Key(Qt::Key_T);
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.height(), 245);
            QVERIFY(dialog.ValueExpression()->isVisible() && dialog.EsrExpression()->isVisible());
            QTest::keyClicks(dialog.ValueExpression(), m.expression);
            if (&m == &members[2]) Capture(dialog, "component-designer");
            QTest::keyClick(dialog.ValueExpression(), Qt::Key_Return);
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(d.Parts[0]->Equation1, std::string("Rp"));
        QCOMPARE(d.Parts[2]->Equation1, std::string("Q/(W*Rp)"));
        QVERIFY(f.sink.Messages.empty());

        // Ctrl+S saves the block in the designer.
        blockSavePath = Path("notch.pbk");
        f.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        QTest::keyClick(&f.w, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(QFileInfo::exists(QString::fromStdString(blockSavePath)));
        QVERIFY(!d.Modified);
        QCOMPARE(designSaveDialogs, 0);

        // Back to the schematic (nothing to ask), then the two-way example
        // with a gap in the woofer's lead for the notch: (62,36) to (68,36).
        Blocks().ChangeModeAction()->trigger();
        QVERIFY(f.sink.Questions.empty());
        f.w.OpenFromOutside(TwoWayPath());
        QCOMPARE(d.Drivers.size(), std::size_t(2));
        TWire* lead = nullptr;
        for (auto& w : d.Wires)
            if (w->End1 == TPoint{43, 36} && w->End2 == TPoint{68, 36}) lead = w.get();
        QVERIFY(lead);
        const DataArray withoutNotch = SystemSpl().Y;  // the woofer's lead whole
        SetWireEnds(d, *lead, {43, 36}, {62, 36});
        f.w.Session().Solve();
        f.w.Session().ResetHistory();
        const std::size_t parts = d.Parts.size(), wires = d.Wires.size();
        const DataArray withGap = SystemSpl().Y;

        // "CircuitBlocks": the file, then the block follows the pointer.
        blockOpenPath = blockSavePath;
        Blocks().CircuitBlocksAction()->trigger();
        QCOMPARE(openFolders.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(openFolders[0]), QString::fromStdString(Blocks().BlocksFolder()));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::BlockPlace);
        QCOMPARE(d.Blocks.size(), std::size_t(1));
        const TCircuitBlock& block = *d.Blocks[0];
        QCOMPARE(block.Title, std::string("Series notch"));
        // The resistor's left end lands on the lead's end.
        const TPart* r = nullptr;
        for (const TPart* p : block.Parts)
            if (p->PartType == TPartType::Resistor) r = p;
        QVERIFY(r);
        const TPoint target{block.Center.X + 62 - r->Terminal1.X, block.Center.Y + 36 - r->Terminal1.Y};
        f.MoveTo(target);
        Capture(*f.Sheet(), "block-placing");
        f.Release(f.Px(target));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::TuneMode);  // its variables, at once
        QCOMPARE(d.Parts.size(), parts + 3);
        QCOMPARE(d.Wires.size(), wires + 2);
        QCOMPARE(r->Terminal1, (TPoint{62, 36}));
        QCOMPARE(r->Terminal2, (TPoint{68, 36}));
        QVERIFY(f.sink.Messages.empty());

        // The variables dialog opens on the placed block.
        TBlockVariablesDialog& tune = f.w.ElementDialogs().BlockVariables();
        QVERIFY(tune.isVisible());
        QCOMPARE(tune.Title()->text(), QString("Series notch"));
        // The notch lies at the LC's resonance, which follows F (the parts
        // are rounded to E48); the woofer's low-pass filter behind it pulls
        // it a few percent down.
        const Notch before = NotchOf(block, withoutNotch);
        QVERIFY(std::abs(before.resonance / 400 - 1) < 0.05);
        QVERIFY2(std::abs(before.deepest / before.resonance - 1) < 0.06, qPrintable(QString::number(before.deepest)));
        QVERIFY2(before.depth < -10, qPrintable(QString::number(before.depth)));

        // The wheel moves the notch up: over the sheet, where the pointer
        // rests on the block, and over the frequency spinner itself.
        TEditRealSpin* freq = tune.Spinner(2);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(freq->EditReal()));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::TuneMode);
        for (int notch = 0; notch < 2; ++notch) f.Wheel(f.Sheet(), f.Px(block.Center), 120);
        QVERIFY(block.VarValue[2] > 400);
        for (int notch = 0; notch < 2; ++notch) f.Wheel(freq, QPoint(5, 5), 120);
        const double tuned = block.VarValue[2];
        QVERIFY2(tuned > 450, qPrintable(QString::number(tuned)));
        QCOMPARE(freq->RealValue(), tuned);
        // The notch moved with the frequency, to the new resonance, by about
        // the ratio of the two frequencies.
        const Notch after = NotchOf(block, withoutNotch);
        QVERIFY(std::abs(after.resonance / tuned - 1) < 0.05);
        QVERIFY2(std::abs(after.deepest / after.resonance - 1) < 0.06, qPrintable(QString::number(after.deepest)));
        QVERIFY(std::abs((after.deepest / before.deepest) / (tuned / 400) - 1) < 0.04);
        QVERIFY(after.depth < -10);
        Capture(tune, "block-variables");
        if (TPlotForm* spl = SplWindow()) Capture(*spl, "block-tuned-spl");
        if (!qEnvironmentVariable("PELMO_SCREENSHOTS").isEmpty()) {
            const QSize size = f.w.size();
            f.w.resize(1000, 640);
            QCoreApplication::processEvents();
            Capture(f.w, "block-tuned-sheet");
            f.w.resize(size);
            QCoreApplication::processEvents();
        }

        // Escape ends tuning (one step); undo twice takes the block away.
        QTest::keyClick(freq->EditReal(), Qt::Key_Escape);
        QVERIFY(!tune.isVisible());
        f.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.Blocks.size(), std::size_t(1));
        QCOMPARE(d.Blocks[0]->VarValue[2], 400.0);
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(d.Blocks.empty());
        QCOMPARE(d.Parts.size(), parts);
        QCOMPARE(d.Wires.size(), wires);
        QCOMPARE(SystemSpl().Y, withGap);
        QVERIFY(f.sink.Messages.empty());
    }

    // Every shipped block opens in the designer and goes into a design
    // without a message.
    void everyShippedBlockOpensAndPlaces() {
        const QDir shipped(QString(PELMO_SOURCE_DIR) + "/examples/CircuitBlocks");
        const QStringList files = shipped.entryList({"*.pbk"}, QDir::Files);
        QVERIFY(files.size() >= 5);
        TDesign& d = f.w.Session().Design();
        for (const QString& file : files) {
            blockOpenPath = shipped.filePath(file).toStdString();
            EnterDesigner();
            QVERIFY(Blocks().OpenBlockAction()->isVisible());
            Blocks().OpenBlockAction()->trigger();
            QVERIFY2(!d.Parts.empty(), qPrintable(file));
            QVERIFY(!d.Modified);
            QVERIFY(!Blocks().Form().TitleField()->text().isEmpty());
            QCOMPARE(Blocks().Form().TitleField()->text(), QString::fromStdString(d.SharedBlock.Title));
            QVERIFY2(Blocks().Form().CheckText()->text().isEmpty(), qPrintable(file));
            Blocks().ChangeModeAction()->trigger();
            QVERIFY(!d.BlockDesignMode);

            const int solves = f.w.Session().SolveCount();
            Blocks().CircuitBlocksAction()->trigger();
            QCOMPARE(f.w.Editor().EditMode(), TEditMode::BlockPlace);
            f.MoveTo({150, 40});
            f.Release(f.Px({150, 40}));
            QCOMPARE(d.Blocks.size(), std::size_t(1));
            QVERIFY(f.w.Session().SolveCount() > solves);
            QVERIFY2(f.w.ElementDialogs().BlockVariables().isVisible(), qPrintable(file));
            QVERIFY2(f.sink.Messages.empty(), f.sink.Messages.empty() ? "" : f.sink.Messages[0].c_str());
            QVERIFY(f.sink.Questions.empty());
            f.w.ElementDialogs().CloseAll();
            NewDesign(d);
            d.Modified = false;
        }
    }

    // Leaving the placing any way but a click leaves nothing behind.
    void anUnplacedBlockGoesWithEveryWayOut() {
        TDesign& d = f.w.Session().Design();
        NewDesign(d);
        AddPart(d, TPartType::Resistor, {100, 30}, true);
        f.w.Session().Solve();
        blockOpenPath = (QString(PELMO_SOURCE_DIR) + "/examples/CircuitBlocks/Notch.pbk").toStdString();
        const std::function<void()> ways[] = {
            [&] { f.Key(Qt::Key_Escape); },
            [&] { f.Key(Qt::Key_Delete); },
            [&] {
                f.Press(f.Px({150, 40}), Qt::RightButton);
            },
            [&] {
                QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
                QApplication::sendEvent(f.w.View().Panel(), &out);
            },
            [&] { f.Tool(TElementKind::Resistor); },
        };
        // Until it is placed, the block is only the drag image at the
        // pointer: its members' file positions (around the sheet's corner)
        // show nothing.
        const QRect corner(0, 0, f.Px({15, 15}).x(), f.Px({15, 15}).y());
        f.MoveTo({150, 40});
        const QImage before = f.Sheet()->grab(corner).toImage();
        for (const auto& way : ways) {
            f.AfterDoubleClickWindow();
            Blocks().CircuitBlocksAction()->trigger();
            QCOMPARE(f.w.Editor().EditMode(), TEditMode::BlockPlace);
            f.MoveTo({150, 40});
            QCOMPARE(f.Sheet()->grab(corner).toImage(), before);
            way();
            QVERIFY(d.Blocks.empty());
            QCOMPARE(d.Parts.size(), std::size_t(1));
            QVERIFY(d.Wires.empty());
            QCOMPARE(d.Parts[0]->RefDes, 1);
            f.w.Editor().CancelToIdle();
        }
        QVERIFY(f.sink.Messages.empty());
        // A file that cannot be read: the message, and no block.
        blockOpenPath = Path("missing.pbk");
        QVERIFY(!Blocks().AddBlockFromFile());
        QCOMPARE(f.sink.Messages, std::vector<std::string>{MsgBlockLoadError});
        QVERIFY(d.Blocks.empty());
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
    }

private:
    TBlockMenuCommands& Blocks() { return f.w.Blocks(); }

    void EnterDesigner() {
        if (f.w.Session().Design().BlockDesignMode) return;
        f.w.Session().Design().Modified = false;
        QVERIFY(Blocks().ChangeMode());
        QVERIFY(f.w.Session().Design().BlockDesignMode);
    }

    std::string Path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

    // The shipped two-way example, as the program installed it in its data folder.
    std::string TwoWayPath() const { return f.w.Session().DataFolder() + ExamplesFolderName + "/TwoWay.bkt"; }

    static void Type(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    QList<QAction*> AllMenuActions() {
        QList<QAction*> all;
        std::function<void(QWidget*)> collect = [&](QWidget* w) {
            for (QAction* a : w->actions()) {
                all << a;
                if (a->menu()) collect(a->menu());
            }
        };
        collect(f.w.menuBar());
        return all;
    }

    TPlotForm* SplWindow() {
        for (TPlotForm* p : f.w.GraphWindows().Windows())
            if (p->Record().Kind == TGraphKind::SPL) return p;
        return nullptr;
    }

    TChartCurve SystemSpl() {
        for (const TGraphRecord* g : f.w.Session().Graphs().Windows)
            if (g->Kind == TGraphKind::SPL)
                for (const TSeriesDef& c : g->Curves)
                    if (c.Name == SystemCurveName) return c.MagSeries;
        return {};
    }

    struct Notch {
        double resonance;  // of the block's parallel LC, as its parts came out
        double deepest;    // where the block takes most off the summed response
        double depth;      // how much, in dB
    };
    // The notch as the summed response shows it: the frequency where the
    // response with the block lies furthest below the one without it. The
    // woofer's own slope does not move it, as it would move the response's
    // lowest point.
    Notch NotchOf(const TCircuitBlock& block, const DataArray& without) {
        double l = 0, c = 0;
        for (const TPart* p : block.Parts) {
            if (p->PartType == TPartType::Inductor) l = p->BoundValue;
            if (p->PartType == TPartType::Capacitor) c = p->BoundValue;
        }
        Notch n{1 / (2 * M_PI * std::sqrt(l * c)), 0, 0};
        const TChartCurve spl = SystemSpl();
        for (std::size_t i = 0; i < spl.Count() && i < without.size(); ++i)
            if (spl.Y[i] - without[i] < n.depth) {
                n.depth = spl.Y[i] - without[i];
                n.deepest = spl.X[i];
            }
        qInfo("resonance %.1f Hz, deepest %.1f Hz, %.1f dB", n.resonance, n.deepest, n.depth);
        return n;
    }

    // Pictures for looking at, when PELMO_SCREENSHOTS names a folder.
    static void Capture(QWidget& w, const char* name) {
        const QString folder = qEnvironmentVariable("PELMO_SCREENSHOTS");
        if (folder.isEmpty()) return;
        w.grab().save(folder + "/" + name + ".png");
    }

    EditorFixture f;
    QTemporaryDir dir;
    std::string blockSavePath, blockOpenPath;
    std::vector<std::string> saveFolders, openFolders;
    int designSaveDialogs = 0;
};

QTEST_MAIN(TestBlockDesigner)
#include "tst_blockdesigner.moc"
