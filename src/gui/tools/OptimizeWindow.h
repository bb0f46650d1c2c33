#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "gui/tools/OptimizeRunner.h"
#include "optimize/OptimizeVariables.h"
#include "optimize/Optimizer.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace pelmo {

class TSession;
class TGraphWindows;

// The "Optimize" window: the user checks the values the search may change
// (with their bounds), chooses the targets and the band, and runs the
// search on a thread of its own. While it runs, the design takes every
// better set of values and the graph windows follow; the targets are drawn
// dashed in the SPL windows. Accept keeps the result as one undo step;
// Cancel (or closing the window) puts every value back as it was.
//
// The window is modal to the main window: the design cannot be edited
// while the window is open, so the values it changes stay the ones it
// listed. The graph windows stay usable.
class TOptimizeWindow : public QWidget {
    Q_OBJECT
public:
    enum class TState { Idle, Running, Finished };

    TOptimizeWindow(TSession& session, TGraphWindows& graphs, QWidget* parent = nullptr);
    ~TOptimizeWindow() override;

    // Solves the design and redraws the graphs (the main window's solve).
    std::function<void()> SolveDesign;
    // Replaces the file dialog of the target curve (tests): "" cancels.
    std::function<QString()> ChooseTargetFile;

    TState State() const { return state_; }
    // The variables listed, in table order.
    const std::vector<TOptimizeVariable>& Variables() const { return offered_; }
    // Checks a variable by name (tests and keyboard users alike).
    bool SetVaried(const QString& name, bool varied);
    QString StatusText() const;
    const TOptimizeOutcome& LastOutcome() const { return outcome_; }
    TOptimizeRunner& Runner() { return runner_; }

    // Lists the design's variables again (while idle).
    void RefreshVariables();

public slots:
    void ShowAndRaise();
    void Run();
    void Accept();
    void Cancel();

signals:
    // Values were written into the design (the sheet shows them).
    void ValuesChanged();
    // The result was kept as one undo step.
    void Accepted();
    // A run has ended (finished, failed or cancelled).
    void RunEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void FillDriverTargets();
    // The checked variables with their bounds and their table rows, and the
    // targets; false with the reason when the settings cannot be searched.
    bool CollectSettings(TObjectiveSettings& settings, std::vector<TOptimizeVariable>& variables,
                         std::vector<int>& rows, QString& why);
    void Poll();
    void EndRun();
    void WriteValues(const std::vector<double>& values);
    void ShowBestValues(const std::vector<double>& values);
    void ShowTargets(const TObjectiveTerms& terms);
    void ClearTargets();
    void Restore();
    void SetState(TState s);
    void ShowStatus(const QString& text, bool problem = false);
    void ChooseTargetFileClick();
    void UpdateSumControls();

    TSession& session_;
    TGraphWindows& graphs_;
    TOptimizeRunner runner_;
    QTimer pollTimer_;
    TState state_ = TState::Idle;
    std::vector<TOptimizeVariable> offered_;
    std::vector<TOptimizeVariable> running_;  // the variables of the run
    std::vector<int> runningRows_;            // and their rows in the table
    TObjectiveSettings settings_;             // of the run
    // The values before the first run since the last Accept or Cancel.
    std::optional<TVariableSnapshot> snapshot_;
    int appliedImprovements_ = 0;
    TOptimizeOutcome outcome_;
    QString targetFile_;

    QTableWidget* variablesTable_ = nullptr;
    QComboBox* sumTarget_ = nullptr;
    QCheckBox* fixedLevel_ = nullptr;
    QDoubleSpinBox* level_ = nullptr;
    QLineEdit* targetFileBox_ = nullptr;
    QPushButton* targetFileButton_ = nullptr;
    QTableWidget* driverTargets_ = nullptr;
    QDoubleSpinBox* bandLow_ = nullptr;
    QDoubleSpinBox* bandHigh_ = nullptr;
    QDoubleSpinBox* impedanceFloor_ = nullptr;
    QDoubleSpinBox* phaseWeight_ = nullptr;
    QCheckBox* snap_ = nullptr;
    QSpinBox* maxEvaluations_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* runButton_ = nullptr;
    QPushButton* acceptButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace pelmo
