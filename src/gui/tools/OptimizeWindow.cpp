#include "gui/tools/OptimizeWindow.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTableWidget>
#include <cmath>

#include "document/Session.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/widgets/DecimalSpinBox.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

// Columns of the variables table.
enum { ColName, ColStart, ColLower, ColUpper, ColUnit, ColBest, VariableColumns };
// Columns of the driver targets table.
enum { ColDriver, ColHighPass, ColHighHz, ColLowPass, ColLowHz, ColLevel, DriverColumns };

// The filter choices of a driver target, "none" first.
const TAlignment Alignments[] = {TAlignment::LR2, TAlignment::LR4, TAlignment::BW2, TAlignment::BW3};

constexpr int SumColour = 0;
const int DriverColours[] = {4, 5, 2, 3, 6, 1};

QString Shown(const TOptimizeVariable& v, double value) {
    return QString::fromStdString(FormatGeneral(value * DisplayUnitOf(v).Scale, 4));
}

QComboBox* FilterChoice() {
    auto* box = new QComboBox;
    box->addItem("none");
    for (TAlignment a : Alignments) box->addItem(AlignmentName(a));
    return box;
}

QDoubleSpinBox* FrequencyBox(double value) {
    auto* box = new TDecimalSpinBox;
    box->setRange(10, 40000);
    box->setDecimals(0);
    box->setSuffix(" Hz");
    box->setValue(value);
    return box;
}

// A table with a column per header, no row numbers, columns as wide as
// their contents and the last taking the rest.
QTableWidget* MakeTable(const char* name, const QStringList& headers) {
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()));
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(headers);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

}  // namespace

TOptimizeWindow::TOptimizeWindow(TSession& session, TGraphWindows& graphs, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), graphs_(graphs) {
    setObjectName("OptimizeWindow");
    setWindowTitle("Optimize");
    setWindowModality(Qt::WindowModal);
    SolveDesign = [this] { session_.Solve(); };
    ChooseTargetFile = [this] {
        return QFileDialog::getOpenFileName(this, "Target response", QString(),
                                            "Response files (*.frd *.FRD *.txt);;All files (*)");
    };
    BuildControls();
    pollTimer_.setInterval(50);
    connect(&pollTimer_, &QTimer::timeout, this, &TOptimizeWindow::Poll);
    RefreshVariables();
    SetState(TState::Idle);
    ShowStatus("Check the values to vary, choose the targets and press Run.");
}

TOptimizeWindow::~TOptimizeWindow() {
    // A window taken down with the program: the search stops, the design is
    // left as the last solve saw it.
    runner_.Cancel();
}

void TOptimizeWindow::BuildControls() {
    auto* top = new QVBoxLayout(this);

    auto* varyBox = new QGroupBox("Values to vary");
    auto* varyLayout = new QVBoxLayout(varyBox);
    variablesTable_ = MakeTable("variablesTable", {"Vary", "Start", "Lower", "Upper", "Unit", "Best"});
    variablesTable_->setMinimumHeight(150);
    varyLayout->addWidget(variablesTable_);
    top->addWidget(varyBox, 2);

    auto* targetBox = new QGroupBox("Targets");
    auto* targetLayout = new QVBoxLayout(targetBox);
    auto* sumRow = new QHBoxLayout;
    sumRow->addWidget(new QLabel("Summed response:"));
    sumTarget_ = new QComboBox;
    sumTarget_->setObjectName("sumTarget");
    sumTarget_->addItems({"flat", "curve from a file", "none"});
    sumRow->addWidget(sumTarget_);
    fixedLevel_ = new QCheckBox("at");
    fixedLevel_->setObjectName("fixedLevel");
    fixedLevel_->setToolTip("Unchecked: the level that fits best");
    sumRow->addWidget(fixedLevel_);
    level_ = new TDecimalSpinBox;
    level_->setObjectName("levelDb");
    level_->setRange(0, 150);
    level_->setDecimals(1);
    level_->setValue(85);
    level_->setSuffix(" dB");
    sumRow->addWidget(level_);
    targetFileBox_ = new QLineEdit;
    targetFileBox_->setObjectName("targetFile");
    targetFileBox_->setReadOnly(true);
    targetFileBox_->setPlaceholderText("no file");
    sumRow->addWidget(targetFileBox_, 1);
    targetFileButton_ = new QPushButton("...");
    targetFileButton_->setObjectName("targetFileButton");
    targetFileButton_->setMaximumWidth(30);
    sumRow->addWidget(targetFileButton_);
    targetLayout->addLayout(sumRow);
    connect(sumTarget_, &QComboBox::currentIndexChanged, this, [this] { UpdateSumControls(); });
    connect(fixedLevel_, &QCheckBox::toggled, this, [this] { UpdateSumControls(); });
    connect(targetFileButton_, &QPushButton::clicked, this, &TOptimizeWindow::ChooseTargetFileClick);

    targetLayout->addWidget(new QLabel("Drivers' acoustic targets (a level left empty is fitted):"));
    driverTargets_ = MakeTable("driverTargets", {"Driver", "High-pass", "at", "Low-pass", "at", "Level [dB]"});
    targetLayout->addWidget(driverTargets_);
    top->addWidget(targetBox, 1);

    auto* optionsBox = new QGroupBox("Band and options");
    auto* form = new QFormLayout(optionsBox);
    auto* band = new QHBoxLayout;
    bandLow_ = FrequencyBox(200);
    bandLow_->setObjectName("bandLow");
    bandHigh_ = FrequencyBox(15000);
    bandHigh_->setObjectName("bandHigh");
    band->addWidget(bandLow_);
    band->addWidget(new QLabel("to"));
    band->addWidget(bandHigh_);
    band->addStretch();
    form->addRow("Band", band);
    impedanceFloor_ = new TDecimalSpinBox;
    impedanceFloor_->setObjectName("impedanceFloor");
    impedanceFloor_->setRange(0, 100);
    impedanceFloor_->setDecimals(1);
    impedanceFloor_->setSuffix(" ohm");
    impedanceFloor_->setSpecialValueText("none");
    form->addRow("Impedance at least", impedanceFloor_);
    phaseWeight_ = new TDecimalSpinBox;
    phaseWeight_->setObjectName("phaseWeight");
    phaseWeight_->setRange(0, 10);
    phaseWeight_->setDecimals(2);
    phaseWeight_->setSingleStep(0.25);
    phaseWeight_->setSpecialValueText("not counted");
    form->addRow("Phase alignment weight", phaseWeight_);
    snap_ = new QCheckBox("put part values on their E-series at the end");
    snap_->setObjectName("snap");
    form->addRow("Snap", snap_);
    maxEvaluations_ = new QSpinBox;
    maxEvaluations_->setObjectName("maxEvaluations");
    maxEvaluations_->setRange(10, 100000);
    maxEvaluations_->setSingleStep(500);
    maxEvaluations_->setValue(TOptimizeSettings{}.MaxEvaluations);
    form->addRow("Evaluations at most", maxEvaluations_);
    top->addWidget(optionsBox);

    progress_ = new QProgressBar;
    progress_->setObjectName("progress");
    progress_->setRange(0, 1);
    progress_->setValue(0);
    top->addWidget(progress_);
    status_ = new QLabel;
    status_->setObjectName("status");
    status_->setWordWrap(true);
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 3);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    top->addWidget(status_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    runButton_ = new QPushButton("&Run");
    runButton_->setObjectName("runButton");
    runButton_->setToolTip("Search (Ctrl+R)");
    acceptButton_ = new QPushButton("&Accept");
    acceptButton_->setObjectName("acceptButton");
    acceptButton_->setToolTip("Keep the values found, as one undo step");
    cancelButton_ = new QPushButton("Cancel");
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setToolTip("Stop, and put every value back as it was (Esc)");
    buttons->addWidget(runButton_);
    buttons->addWidget(acceptButton_);
    buttons->addWidget(cancelButton_);
    top->addLayout(buttons);
    connect(runButton_, &QPushButton::clicked, this, &TOptimizeWindow::Run);
    connect(acceptButton_, &QPushButton::clicked, this, &TOptimizeWindow::Accept);
    connect(cancelButton_, &QPushButton::clicked, this, &TOptimizeWindow::Cancel);
    auto* runKey = new QShortcut(QKeySequence("Ctrl+R"), this);
    connect(runKey, &QShortcut::activated, this, [this] {
        if (runButton_->isEnabled()) Run();
    });
    UpdateSumControls();
    resize(640, 760);
}

void TOptimizeWindow::UpdateSumControls() {
    // Nothing changes while a search runs.
    const bool idle = state_ != TState::Running;
    const int kind = sumTarget_->currentIndex();
    fixedLevel_->setEnabled(idle && kind != 2);
    level_->setEnabled(idle && kind != 2 && fixedLevel_->isChecked());
    targetFileBox_->setEnabled(kind == 1);
    targetFileButton_->setEnabled(idle && kind == 1);
}

void TOptimizeWindow::ChooseTargetFileClick() {
    const QString path = ChooseTargetFile ? ChooseTargetFile() : QString();
    if (path.isEmpty()) return;
    targetFile_ = path;
    targetFileBox_->setText(path);
    sumTarget_->setCurrentIndex(1);
}

void TOptimizeWindow::RefreshVariables() {
    if (state_ != TState::Idle) return;
    // Keep the user's checks and bounds for variables still offered.
    struct TKept {
        std::string Name;
        bool Checked;
        QString Lower, Upper;
    };
    std::vector<TKept> kept;
    for (int r = 0; r < variablesTable_->rowCount(); ++r)
        kept.push_back({variablesTable_->item(r, ColName)->text().toStdString(),
                        variablesTable_->item(r, ColName)->checkState() == Qt::Checked,
                        variablesTable_->item(r, ColLower)->text(), variablesTable_->item(r, ColUpper)->text()});
    const TDesign& d = session_.Design();
    offered_ = OfferedVariables(d);
    variablesTable_->setRowCount(static_cast<int>(offered_.size()));
    for (std::size_t i = 0; i < offered_.size(); ++i) {
        const TOptimizeVariable& v = offered_[i];
        const int r = static_cast<int>(i);
        auto* name = new QTableWidgetItem(QString::fromStdString(v.Name));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        name->setCheckState(Qt::Unchecked);
        auto fixed = [](const QString& text) {
            auto* item = new QTableWidgetItem(text);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            return item;
        };
        variablesTable_->setItem(r, ColName, name);
        variablesTable_->setItem(r, ColStart, fixed(Shown(v, VariableValue(d, v))));
        variablesTable_->setItem(r, ColLower, new QTableWidgetItem(Shown(v, v.Lower)));
        variablesTable_->setItem(r, ColUpper, new QTableWidgetItem(Shown(v, v.Upper)));
        variablesTable_->setItem(r, ColUnit, fixed(DisplayUnitOf(v).Unit));
        variablesTable_->setItem(r, ColBest, fixed(QString()));
        for (const TKept& k : kept) {
            if (k.Name != v.Name) continue;
            name->setCheckState(k.Checked ? Qt::Checked : Qt::Unchecked);
            variablesTable_->item(r, ColLower)->setText(k.Lower);
            variablesTable_->item(r, ColUpper)->setText(k.Upper);
        }
    }
    FillDriverTargets();
}

void TOptimizeWindow::FillDriverTargets() {
    const TDesign& d = session_.Design();
    const int rows = static_cast<int>(d.Drivers.size());
    if (driverTargets_->rowCount() == rows) {
        // The same drivers: only their names may have changed.
        for (int r = 0; r < rows; ++r) {
            const TDriver& drv = *d.Drivers[static_cast<std::size_t>(r)];
            driverTargets_->item(r, ColDriver)
                ->setText(QString::fromStdString(DriverDesignator(drv) + "  " + drv.Name));
        }
        return;
    }
    driverTargets_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const TDriver& drv = *d.Drivers[static_cast<std::size_t>(r)];
        auto* name = new QTableWidgetItem(QString::fromStdString(DriverDesignator(drv) + "  " + drv.Name));
        name->setFlags(Qt::ItemIsEnabled);
        driverTargets_->setItem(r, ColDriver, name);
        driverTargets_->setCellWidget(r, ColHighPass, FilterChoice());
        driverTargets_->setCellWidget(r, ColHighHz, FrequencyBox(2500));
        driverTargets_->setCellWidget(r, ColLowPass, FilterChoice());
        driverTargets_->setCellWidget(r, ColLowHz, FrequencyBox(2500));
        auto* level = new QLineEdit;
        level->setPlaceholderText("fitted");
        driverTargets_->setCellWidget(r, ColLevel, level);
    }
}

bool TOptimizeWindow::SetVaried(const QString& name, bool varied) {
    for (int r = 0; r < variablesTable_->rowCount(); ++r) {
        QTableWidgetItem* item = variablesTable_->item(r, ColName);
        if (item->text().compare(name, Qt::CaseInsensitive) != 0) continue;
        item->setCheckState(varied ? Qt::Checked : Qt::Unchecked);
        return true;
    }
    return false;
}

bool TOptimizeWindow::CollectSettings(TObjectiveSettings& s, std::vector<TOptimizeVariable>& variables,
                                      std::vector<int>& rows, QString& why) {
    const TDesign& d = session_.Design();
    variables.clear();
    rows.clear();
    for (int r = 0; r < variablesTable_->rowCount(); ++r) {
        if (variablesTable_->item(r, ColName)->checkState() != Qt::Checked) continue;
        TOptimizeVariable v = offered_[static_cast<std::size_t>(r)];
        const double scale = DisplayUnitOf(v).Scale;
        double lower = 0, upper = 0;
        if (!TryParseUserReal(variablesTable_->item(r, ColLower)->text().trimmed().toStdString(), lower) ||
            !TryParseUserReal(variablesTable_->item(r, ColUpper)->text().trimmed().toStdString(), upper) ||
            !std::isfinite(lower) || !std::isfinite(upper)) {
            why = QString("The bounds of %1 must be numbers.").arg(QString::fromStdString(v.Name));
            return false;
        }
        if (!(upper > lower)) {
            why = QString("The lower bound of %1 must be below its upper bound.").arg(QString::fromStdString(v.Name));
            return false;
        }
        if (v.Log && !(lower > 0)) {
            why = QString("The bounds of %1 must be above 0.").arg(QString::fromStdString(v.Name));
            return false;
        }
        v.Lower = lower / scale;
        v.Upper = upper / scale;
        variables.push_back(v);
        rows.push_back(r);
    }
    if (variables.empty()) {
        why = "Check at least one value to vary.";
        return false;
    }

    s = TObjectiveSettings{};
    s.BandLow = bandLow_->value();
    s.BandHigh = bandHigh_->value();
    if (!(s.BandHigh > s.BandLow)) {
        why = "The band's lower frequency must be below its upper one.";
        return false;
    }
    s.ImpedanceFloor = impedanceFloor_->value();
    s.PhaseWeight = phaseWeight_->value();
    if (fixedLevel_->isChecked()) s.Sum.LevelDb = level_->value();
    switch (sumTarget_->currentIndex()) {
        case 0:
            s.Sum.Kind = TSumTargetKind::Flat;
            break;
        case 1: {
            s.Sum.Kind = TSumTargetKind::Curve;
            if (targetFile_.isEmpty()) {
                why = "Choose the file of the target curve (\"...\").";
                return false;
            }
            if (!ReadTargetCurve(targetFile_.toStdString(), d.Grid, s.Sum, session_.Messages())) {
                why = "The target curve could not be read.";
                return false;
            }
            break;
        }
        default:
            s.Sum.Kind = TSumTargetKind::None;
            break;
    }
    for (int r = 0; r < driverTargets_->rowCount() && r < static_cast<int>(d.Drivers.size()); ++r) {
        const int high = static_cast<QComboBox*>(driverTargets_->cellWidget(r, ColHighPass))->currentIndex();
        const int low = static_cast<QComboBox*>(driverTargets_->cellWidget(r, ColLowPass))->currentIndex();
        if (high == 0 && low == 0) continue;
        TDriverTarget t;
        t.Driver = r;
        if (high > 0)
            t.HighPass = TFilterShape{Alignments[high - 1],
                                      static_cast<QDoubleSpinBox*>(driverTargets_->cellWidget(r, ColHighHz))->value()};
        if (low > 0)
            t.LowPass = TFilterShape{Alignments[low - 1],
                                     static_cast<QDoubleSpinBox*>(driverTargets_->cellWidget(r, ColLowHz))->value()};
        const QString levelText = static_cast<QLineEdit*>(driverTargets_->cellWidget(r, ColLevel))->text().trimmed();
        if (!levelText.isEmpty()) {
            double level = 0;
            if (!TryParseUserReal(levelText.toStdString(), level)) {
                why = QString("The level of %1's target must be a number of dB, or empty to fit it.")
                          .arg(QString::fromStdString(DriverDesignator(*d.Drivers[static_cast<std::size_t>(r)])));
                return false;
            }
            t.LevelDb = level;
        }
        s.DriverTargets.push_back(t);
    }
    if (s.Sum.Kind == TSumTargetKind::None && s.DriverTargets.empty()) {
        why = "Choose a target: the summed response or a driver's filter.";
        return false;
    }
    return true;
}

void TOptimizeWindow::Run() {
    if (state_ == TState::Running) return;
    TObjectiveSettings settings;
    std::vector<TOptimizeVariable> variables;
    std::vector<int> rows;
    QString why;
    if (!CollectSettings(settings, variables, rows, why)) {
        ShowStatus(why, true);
        return;
    }
    TDesign& d = session_.Design();
    // Every offered value, so that a second run over other values still
    // goes back to where the first began.
    if (!snapshot_) snapshot_ = TakeSnapshot(d, offered_);
    TOptimizeSettings search;
    search.MaxEvaluations = maxEvaluations_->value();
    search.Snap = snap_->isChecked();
    std::string failure;
    if (!runner_.Start(d, settings, variables, search, failure)) {
        ShowStatus(QString::fromStdString(failure), true);
        return;
    }
    running_ = variables;
    runningRows_ = rows;
    settings_ = settings;
    appliedImprovements_ = 0;
    outcome_ = {};
    for (int r = 0; r < variablesTable_->rowCount(); ++r) variablesTable_->item(r, ColBest)->setText(QString());
    progress_->setRange(0, search.MaxEvaluations);
    progress_->setValue(0);
    SetState(TState::Running);
    ShowStatus("Searching…");
    pollTimer_.start();
}

void TOptimizeWindow::Poll() {
    if (state_ != TState::Running) return;
    const TOptimizeRunner::TProgress p = runner_.Progress();
    if (p.MaxEvaluations > 0) progress_->setMaximum(p.MaxEvaluations);
    progress_->setValue(std::min(p.Evaluations, progress_->maximum()));
    if (p.Improvements != appliedImprovements_) {
        appliedImprovements_ = p.Improvements;
        WriteValues(p.BestValues);
        ShowTargets(p.BestTerms);
        ShowBestValues(p.BestValues);
    }
    if (p.Evaluations > 0)
        ShowStatus(QString("%1evaluation %2 · objective %3 → %4")
                       .arg(p.Snapping ? "Snapping to series values · " : "")
                       .arg(p.Evaluations)
                       .arg(QString::fromStdString(FormatGeneral(p.StartObjective, 4)))
                       .arg(QString::fromStdString(FormatGeneral(p.BestObjective, 4))));
    if (runner_.Ended()) EndRun();
}

void TOptimizeWindow::EndRun() {
    pollTimer_.stop();
    std::vector<std::string> messages;
    outcome_ = runner_.Finish(messages);
    for (const std::string& m : messages) session_.Messages().ShowMessage(m);
    if (!outcome_.Failure.empty()) {
        Restore();
        SetState(TState::Idle);
        ShowStatus("The search failed: " + QString::fromStdString(outcome_.Failure), true);
        emit RunEnded();
        return;
    }
    WriteValues(outcome_.BestValues);
    ShowTargets(outcome_.Best);
    ShowBestValues(outcome_.BestValues);
    progress_->setValue(progress_->maximum());
    SetState(TState::Finished);
    ShowStatus(QString("Objective %1 → %2 (response error %3 dB RMS) after %4 evaluations%5. "
                       "Accept keeps the values as one undo step; Cancel puts the old ones back.")
                   .arg(QString::fromStdString(FormatGeneral(outcome_.Start.Total, 4)))
                   .arg(QString::fromStdString(FormatGeneral(outcome_.Best.Total, 4)))
                   .arg(QString::fromStdString(FormatGeneral(outcome_.Best.ResponseRms, 3)))
                   .arg(outcome_.Evaluations)
                   .arg(outcome_.Snapped ? ", snapped to series values" : ""));
    emit RunEnded();
}

void TOptimizeWindow::WriteValues(const std::vector<double>& values) {
    TDesign& d = session_.Design();
    for (std::size_t i = 0; i < running_.size() && i < values.size(); ++i) SetVariableValue(d, running_[i], values[i]);
    if (SolveDesign) SolveDesign();
    emit ValuesChanged();
}

void TOptimizeWindow::ShowBestValues(const std::vector<double>& values) {
    for (std::size_t i = 0; i < running_.size() && i < values.size(); ++i)
        variablesTable_->item(runningRows_[i], ColBest)->setText(Shown(running_[i], values[i]));
}

void TOptimizeWindow::ShowTargets(const TObjectiveTerms& terms) {
    std::vector<TPlotForm::TGuideCurve> guides;
    for (const TTargetCurve& c : TargetCurves(settings_, terms, session_.Design())) {
        TPlotForm::TGuideCurve g;
        g.Name = QString::fromStdString(c.Name);
        g.Points = c.Points;
        g.ColourIndex = c.Driver < 0 ? SumColour : DriverColours[c.Driver % std::size(DriverColours)];
        guides.push_back(std::move(g));
    }
    for (TPlotForm* w : graphs_.Windows())
        if (w->Kind() == TGraphKind::SPL) w->SetGuideCurves(guides);
}

void TOptimizeWindow::ClearTargets() {
    for (TPlotForm* w : graphs_.Windows())
        if (w->Kind() == TGraphKind::SPL && !w->GuideGraphs().empty()) w->SetGuideCurves({});
}

void TOptimizeWindow::Restore() {
    if (!snapshot_) return;
    RestoreSnapshot(session_.Design(), *snapshot_);
    snapshot_.reset();
    if (SolveDesign) SolveDesign();
    emit ValuesChanged();
}

void TOptimizeWindow::Accept() {
    if (state_ != TState::Finished) return;
    snapshot_.reset();
    session_.Design().Modified = true;
    session_.CommitEdit();
    emit Accepted();
    SetState(TState::Idle);
    RefreshVariables();
    ShowStatus("Kept as one undo step: Undo in the main window brings the old values back.");
}

void TOptimizeWindow::Cancel() {
    switch (state_) {
        case TState::Running: {
            runner_.Cancel();
            pollTimer_.stop();
            std::vector<std::string> messages;
            outcome_ = runner_.Finish(messages);
            Restore();
            ClearTargets();
            SetState(TState::Idle);
            ShowStatus("Cancelled: every value is as it was.");
            emit RunEnded();
            break;
        }
        case TState::Finished:
            Restore();
            ClearTargets();
            SetState(TState::Idle);
            ShowStatus("Every value is as it was.");
            break;
        case TState::Idle:
            close();
            break;
    }
}

void TOptimizeWindow::SetState(TState s) {
    state_ = s;
    const bool idle = s != TState::Running;
    runButton_->setEnabled(idle);
    acceptButton_->setEnabled(s == TState::Finished);
    cancelButton_->setText(s == TState::Idle ? "Close" : "Cancel");
    variablesTable_->setEnabled(idle);
    for (QWidget* w : std::initializer_list<QWidget*>{sumTarget_, driverTargets_, bandLow_, bandHigh_, impedanceFloor_,
                                                      phaseWeight_, snap_, maxEvaluations_})
        w->setEnabled(idle);
    UpdateSumControls();
}

void TOptimizeWindow::ShowStatus(const QString& text, bool problem) {
    status_->setText(text);
    status_->setStyleSheet(problem ? "color: #b00000" : "");
}

QString TOptimizeWindow::StatusText() const { return status_->text(); }

void TOptimizeWindow::ShowAndRaise() {
    RefreshVariables();
    show();
    raise();
    activateWindow();
}

void TOptimizeWindow::closeEvent(QCloseEvent* event) {
    // Closing without Accept keeps nothing of a run.
    if (state_ != TState::Idle) Cancel();
    ClearTargets();
    event->accept();
}

void TOptimizeWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pelmo
