// Tools > Optimize: the window lists the design's values, refuses settings
// it cannot search with (saying why), runs the search off the window's
// thread while the design and the graph windows follow the best values,
// draws the targets dashed in the SPL window, keeps a result as one undo
// step, and puts every value back on Cancel, whether during the run or
// after it.
#include <qcustomplot.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <filesystem>
#include <thread>

#include "../GuiTestSupport.h"
#include "document/Session.h"
#include "files/DesignFile.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/tools/OptimizeWindow.h"
#include "optimize/OptimizeObjective.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

std::vector<std::string> DesignLines(TDesign& d) {
    std::vector<std::string> lines;
    RecordingSink sink;
    BuildDesignLines(d, lines, sink);
    return lines;
}

}  // namespace

class TestOptimizeWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecordingSink sink_;
    std::unique_ptr<TMainWindow> w_;

    TSession& Session() { return w_->Session(); }
    TDesign& Design() { return w_->Session().Design(); }

    TOptimizeWindow* Open() {
        QAction* a = MenuAction(*w_, "Tools", "Optimize…");
        if (!a) return nullptr;
        a->trigger();
        return w_->findChild<TOptimizeWindow*>();
    }

    TPlotForm* SplWindow() {
        for (TPlotForm* f : w_->GraphWindows().Windows())
            if (f->Kind() == TGraphKind::SPL) return f;
        return nullptr;
    }

    // The parts of the crossover multiplied by factors from 0.6 to 1.6, as
    // one edit; returns their names.
    QStringList Detune() {
        const double detune[] = {1.6, 0.6, 1.45, 0.7, 1.3, 0.75};
        QStringList names;
        std::size_t i = 0;
        for (const TOptimizeVariable& v : OfferedVariables(Design())) {
            if (v.Kind != TVariableKind::PartValue) continue;
            SetVariableValue(Design(), v, VariableValue(Design(), v) * detune[i++ % std::size(detune)]);
            names << QString::fromStdString(v.Name);
        }
        Session().CommitEdit();
        w_->Solve();
        return names;
    }

    // Half the spread of the System curve over 200 Hz to 15 kHz, in dB.
    double SystemSpread() {
        const TChartCurve& c = SplWindow()->Record().Curves.at(0).MagSeries;
        double lo = 1e9, hi = -1e9;
        for (std::size_t k = 0; k < c.Count(); ++k) {
            if (c.X[k] < 200 || c.X[k] > 15000) continue;
            lo = std::min(lo, c.Y[k]);
            hi = std::max(hi, c.Y[k]);
        }
        return (hi - lo) / 2;
    }

    static void SetBounds(TOptimizeWindow* ow, const QString& name, const QString& lower, const QString& upper) {
        auto* table = ow->findChild<QTableWidget*>("variablesTable");
        for (int r = 0; r < table->rowCount(); ++r) {
            if (table->item(r, 0)->text() != name) continue;
            table->item(r, 2)->setText(lower);
            table->item(r, 3)->setText(upper);
        }
    }

private slots:
    void init() {
        w_ = std::make_unique<TMainWindow>();
        w_->SetMessageSink(&sink_);
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        OpenExampleCopy(*w_, dir_.path(), "TwoWay.bkt");
        QCOMPARE(Design().Drivers.size(), std::size_t(2));
        QVERIFY(SplWindow());
    }
    void cleanup() {
        if (auto* ow = w_->findChild<TOptimizeWindow*>()) ow->close();
        Design().Modified = false;
        w_.reset();
        sink_ = {};
    }

    void listsTheDesignsValuesModalToTheMainWindow() {
        TOptimizeWindow* ow = Open();
        QVERIFY(ow);
        QVERIFY(ow->isVisible());
        QCOMPARE(ow->windowModality(), Qt::WindowModal);
        auto* table = ow->findChild<QTableWidget*>("variablesTable");
        QCOMPARE(table->rowCount(), static_cast<int>(OfferedVariables(Design()).size()));
        // Every part value in its unit, with bounds one octave each way.
        const TOptimizeVariable& first = ow->Variables().at(0);
        QCOMPARE(table->item(0, 0)->text(), QString::fromStdString(first.Name));
        const double scale = DisplayUnitOf(first).Scale;
        const double lower = VariableValue(Design(), first) / 2 * scale;
        QVERIFY(std::abs(table->item(0, 2)->text().toDouble() - lower) <= 1e-3 * lower);
        QCOMPARE(ow->findChild<QTableWidget*>("driverTargets")->rowCount(), 2);
        QCOMPARE(Open(), ow);  // the same window again
        QVERIFY(!ow->findChild<QPushButton*>("acceptButton")->isEnabled());
    }

    void refusesSettingsItCannotSearchWith_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing checked") << "" << "Check at least one value to vary.";
        QTest::newRow("bounds crossed") << "crossed" << "must be below its upper bound";
        QTest::newRow("bound not a number") << "letters" << "must be numbers";
        QTest::newRow("log bound at zero") << "zero" << "must be above 0";
        QTest::newRow("band upside down") << "band" << "band's lower frequency";
        QTest::newRow("no target") << "none" << "Choose a target";
        QTest::newRow("no curve file") << "curve" << "Choose the file of the target curve";
        QTest::newRow("driver level") << "level" << "must be a number of dB";
    }
    void refusesSettingsItCannotSearchWith() {
        QFETCH(QString, setup);
        QFETCH(QString, message);
        TOptimizeWindow* ow = Open();
        const QString name = QString::fromStdString(ow->Variables().at(0).Name);
        if (!setup.isEmpty()) QVERIFY(ow->SetVaried(name, true));
        if (setup == "crossed") SetBounds(ow, name, "5", "4");
        if (setup == "letters") SetBounds(ow, name, "abc", "4");
        if (setup == "zero") SetBounds(ow, name, "0", "4");
        if (setup == "band") {
            ow->findChild<QDoubleSpinBox*>("bandLow")->setValue(5000);
            ow->findChild<QDoubleSpinBox*>("bandHigh")->setValue(300);
        }
        if (setup == "none") ow->findChild<QComboBox*>("sumTarget")->setCurrentIndex(2);
        if (setup == "curve") ow->findChild<QComboBox*>("sumTarget")->setCurrentIndex(1);
        if (setup == "level") {
            auto* targets = ow->findChild<QTableWidget*>("driverTargets");
            static_cast<QComboBox*>(targets->cellWidget(0, 3))->setCurrentIndex(2);
            static_cast<QLineEdit*>(targets->cellWidget(0, 5))->setText("loud");
        }
        const auto lines = DesignLines(Design());
        const int solves = Session().SolveCount();
        QTest::mouseClick(ow->findChild<QPushButton*>("runButton"), Qt::LeftButton);
        QCOMPARE(ow->State(), TOptimizeWindow::TState::Idle);
        QVERIFY2(ow->StatusText().contains(message), qPrintable(ow->StatusText()));
        QCOMPARE(Session().SolveCount(), solves);
        QCOMPARE(DesignLines(Design()), lines);
    }

    void aRunFollowsTheBestValuesAndAcceptIsOneUndoStep() {
        const QStringList parts = Detune();
        const auto detunedLines = DesignLines(Design());
        const double detunedSpread = SystemSpread();
        QVERIFY(detunedSpread > 1.5);
        TOptimizeWindow* ow = Open();
        for (const QString& p : parts) QVERIFY(ow->SetVaried(p, true));
        // Bounds typed in the table's unit hold the search.
        const TOptimizeVariable first = ow->Variables().at(0);
        const double now = VariableValue(Design(), first) * DisplayUnitOf(first).Scale;
        SetBounds(ow, QString::fromStdString(first.Name), QString::number(now * 0.8), QString::number(now * 1.25));
        const int solves = Session().SolveCount();
        QTest::mouseClick(ow->findChild<QPushButton*>("runButton"), Qt::LeftButton);
        QCOMPARE(ow->State(), TOptimizeWindow::TState::Running);
        QVERIFY(!ow->findChild<QPushButton*>("runButton")->isEnabled());
        // PELMO_OPTIMIZE_SHOTS=folder: pictures of the window and the SPL
        // window during the run, to look at.
        const QString shots = qEnvironmentVariable("PELMO_OPTIMIZE_SHOTS");
        if (!shots.isEmpty()) {
            SplWindow()->resize(800, 520);
            QTRY_VERIFY_WITH_TIMEOUT(ow->findChild<QProgressBar*>("progress")->value() > 150, 60000);
            ow->grab().save(shots + "/optimize-window.png");
            SplWindow()->grab().save(shots + "/optimize-spl.png");
        }
        QTRY_VERIFY_WITH_TIMEOUT(ow->State() == TOptimizeWindow::TState::Finished, 120000);
        if (!shots.isEmpty()) {
            ow->grab().save(shots + "/optimize-window-finished.png");
            SplWindow()->grab().save(shots + "/optimize-spl-finished.png");
        }
        const TOptimizeOutcome& out = ow->LastOutcome();
        QVERIFY(out.Failure.empty());
        QVERIFY(out.Best.Total < out.Start.Total / 2);
        // The design, the sheet's values and the graphs show the result.
        QVERIFY(Session().SolveCount() > solves);
        for (std::size_t i = 0; i < out.BestValues.size(); ++i)
            QCOMPARE(VariableValue(Design(), OfferedVariables(Design()).at(i)), out.BestValues[i]);
        const double best = VariableValue(Design(), first) * DisplayUnitOf(first).Scale;
        QVERIFY(best >= now * 0.8 * (1 - 1e-9) && best <= now * 1.25 * (1 + 1e-9));
        QVERIFY2(SystemSpread() <= 1.0, qPrintable(QString::number(SystemSpread())));
        // The flat target, dashed, in the SPL window.
        QCOMPARE(SplWindow()->GuideGraphs().size(), std::size_t(1));
        QCPGraph* target = SplWindow()->GuideGraphs()[0];
        QCOMPARE(target->name(), QString("Target"));
        QCOMPARE(target->pen().style(), Qt::DashLine);
        QVERIFY(target->data()->size() > 10);
        QVERIFY(!Design().Modified || DesignLines(Design()) != detunedLines);

        QTest::mouseClick(ow->findChild<QPushButton*>("acceptButton"), Qt::LeftButton);
        QCOMPARE(ow->State(), TOptimizeWindow::TState::Idle);
        QVERIFY(Design().Modified);
        ow->close();
        QVERIFY(SplWindow()->GuideGraphs().empty());
        // One undo step brings the detuned values back, one redo the result.
        const auto optimizedLines = DesignLines(Design());
        QVERIFY(Session().Undo());
        QCOMPARE(DesignLines(Design()), detunedLines);
        QVERIFY(Session().Redo());
        QCOMPARE(DesignLines(Design()), optimizedLines);
    }

    void cancelPutsEveryValueBack_data() {
        QTest::addColumn<bool>("duringRun");
        QTest::addColumn<bool>("byClosing");
        QTest::newRow("cancel during the run") << true << false;
        QTest::newRow("cancel after the run") << false << false;
        QTest::newRow("closing during the run") << true << true;
        QTest::newRow("closing after the run") << false << true;
    }
    void cancelPutsEveryValueBack() {
        QFETCH(bool, duringRun);
        QFETCH(bool, byClosing);
        const QStringList parts = Detune();
        const auto lines = DesignLines(Design());
        const bool modified = Design().Modified;
        const TChartCurve before = SplWindow()->Record().Curves.at(0).MagSeries;
        TOptimizeWindow* ow = Open();
        for (const QString& p : parts) ow->SetVaried(p, true);
        ow->findChild<QSpinBox*>("maxEvaluations")->setValue(duringRun ? 100000 : 60);
        // A search that cannot end before the test cancels it.
        if (duringRun) ow->Runner().AfterEvaluation = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
        ow->Run();
        if (duringRun) {
            // Until the design has taken better values at least once.
            QTRY_VERIFY_WITH_TIMEOUT(DesignLines(Design()) != lines, 60000);
            QCOMPARE(ow->State(), TOptimizeWindow::TState::Running);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(ow->State() == TOptimizeWindow::TState::Finished, 60000);
            QVERIFY(DesignLines(Design()) != lines);
        }
        if (byClosing)
            ow->close();
        else
            QTest::mouseClick(ow->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
        QCOMPARE(ow->State(), TOptimizeWindow::TState::Idle);
        QCOMPARE(DesignLines(Design()), lines);
        QCOMPARE(Design().Modified, modified);
        QVERIFY(SplWindow()->GuideGraphs().empty());
        // The graphs were solved again with the old values.
        const TChartCurve& after = SplWindow()->Record().Curves.at(0).MagSeries;
        QCOMPARE(after.Y, before.Y);
        QVERIFY(sink_.Messages.empty());
    }

    void aDriverTargetIsDrawnForItsDriver() {
        TOptimizeWindow* ow = Open();
        for (const TOptimizeVariable& v : ow->Variables())
            if (v.Kind == TVariableKind::PartValue) ow->SetVaried(QString::fromStdString(v.Name), true);
        ow->findChild<QComboBox*>("sumTarget")->setCurrentIndex(2);
        auto* targets = ow->findChild<QTableWidget*>("driverTargets");
        static_cast<QComboBox*>(targets->cellWidget(1, 1))->setCurrentText("LR4");
        static_cast<QDoubleSpinBox*>(targets->cellWidget(1, 2))->setValue(3000);
        ow->findChild<QSpinBox*>("maxEvaluations")->setValue(40);
        ow->Run();
        QTRY_VERIFY_WITH_TIMEOUT(ow->State() == TOptimizeWindow::TState::Finished, 60000);
        QCOMPARE(SplWindow()->GuideGraphs().size(), std::size_t(1));
        const QString name = SplWindow()->GuideGraphs()[0]->name();
        QCOMPARE(name, "Target " + QString::fromStdString(DriverDesignator(*Design().Drivers[1])));
        // Down at least 20 dB an octave and a half below the corner.
        auto data = SplWindow()->GuideGraphs()[0]->data();
        QVERIFY(data->at(0)->key < 1500);
        QVERIFY(data->at(data->size() - 1)->value - data->at(0)->value > 20);
        ow->Cancel();
    }
};

QTEST_MAIN(TestOptimizeWindow)
#include "tst_optimizewindow.moc"
