#include "gui/graphs/PlotScales.h"

#include <qcustomplot.h>

#include <QMenuBar>

#include "base/Rounding.h"
#include "graphs/GraphCurves.h"
#include "gui/graphs/ChartStyle.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/PlotZoom.h"
#include "gui/graphs/ValueDialog.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"
#include "gui/widgets/RadioMenu.h"

namespace pelmo {

TPlotScales::TPlotScales(TPlotForm& form) : form_(form) {}

QMenu* TPlotScales::AddRadioSubmenu(const QString& title, const std::vector<TScaleMenuItem>& items,
                                    const std::string& checked, const std::function<void(double)>& choose) {
    std::vector<TRadioItem> radio;
    for (const TScaleMenuItem& item : items) radio.push_back({item.Caption, item.Value, item.Caption == checked});
    return pelmo::AddRadioSubmenu(menu_, title, radio, &form_, choose);
}

void TPlotScales::BuildMenu() {
    const TGraphRecord& record = form_.Record();
    const TGraphKindDescriptor& info = GraphKindDescriptor(record.Kind);
    menu_ = new QMenu("Scale", &form_);
    QAction* minF = menu_->addAction("Min Frequency", &form_, [this] { MinFrequencyClick(); });
    QAction* maxF = menu_->addAction("Max frequency", &form_, [this] { MaxFrequencyClick(); });
    QAction* testF = menu_->addAction("Test Frequency", &form_, [this] { TestFrequencyClick(); });
    minF->setVisible(info.ShowFrequencyRange);
    maxF->setVisible(info.ShowFrequencyRange);
    testF->setVisible(info.ShowTestFrequency);
    menu_->addSeparator();
    QAction* centre = menu_->addAction("vertical center", &form_, [this] { VerticalCenterClick(); });
    QMenu* dbStep = AddRadioSubmenu("vertical step size", DbPerDivItems(), CheckedDbPerDivItem(record),
                                    [this](double v) { DbPerDivClick(v); });
    centre->setVisible(info.ShowVerticalCenter);
    dbStep->menuAction()->setVisible(info.ShowVerticalCenter);

    using VS = TVerticalScaleMenu;
    for (VS menu : {VS::Ohms, VS::Volts, VS::Watts, VS::Amps}) {
        QMenu* m = AddRadioSubmenu("vertical scale", VerticalScaleItems(menu), CheckedScaleItem(record, menu),
                                   [this, menu](double v) { PerDivisionClick(menu, v); });
        m->menuAction()->setVisible(info.VerticalScale == menu);
    }
    QAction* response = menu_->addAction("vertical scale", &form_, [this] { ResponseScaleClick(); });
    response->setVisible(info.VerticalScale == VS::ResponseScale);
    QAction* usec = menu_->addAction("vertical scale", &form_, [this] { MicrosecondsClick(); });
    usec->setVisible(info.VerticalScale == VS::Microseconds);

    // Beside the specified scales: the axes fitted to the curves, and back.
    // Where choosing "Scale" opens the response scale dialog, they have a
    // menu of their own.
    QMenu* zoom = info.ScaleMenuOpensDialog ? new QMenu("Zoom", &form_) : menu_;
    zoom->addSeparator();
    zoom->addAction(FitItem, &form_, [this] { form_.Zoom().Fit(); })->setObjectName("Fit");
    zoom->addAction(DefaultItem, &form_, [this] { form_.Zoom().Default(); })->setObjectName("Default");
    if (info.ScaleMenuOpensDialog) {
        // Choosing "Scale" itself opens the response scale dialog.
        form_.menuBar()->addAction("Scale", &form_, [this] { ResponseScaleClick(); });
        form_.menuBar()->addMenu(zoom);
    } else {
        form_.menuBar()->addMenu(menu_);
    }
}

double TPlotScales::RunValueDialog(const QString& caption, double minValue, double maxValue, const QString& units,
                                   bool showUnits, bool engUnits, TValueStepMode mode, double value,
                                   const std::function<void(double)>& live,
                                   const std::function<void(TEditRealSpin&)>& extra) {
    TValueDialog dialog(&form_);
    dialog.setWindowTitle(caption);
    TEditRealSpin& field = *dialog.Field();
    field.SetMinValue(minValue);
    field.SetMaxValue(maxValue);
    field.SetEngUnits(engUnits);
    field.SetUnits(units);
    field.SetShowUnits(showUnits);
    field.SetStepMode(mode);
    if (extra) extra(field);
    field.SetRealValue(value);
    dialog.Callback = live;
    dialog.move(form_.frameGeometry().topLeft() - QPoint(5, 5));
    ExecModal(dialog);
    return field.RealValue();
}

void TPlotScales::MinFrequencyClick() {
    QCPAxis* x = form_.Graph()->xAxis;
    auto set = [this, x](double v) {
        x->setRangeLower(v);
        form_.Replot();
    };
    set(RunValueDialog("Min Frequency", 10, x->range().upper / 2, "Hz", true, true, sm12345, x->range().lower, set));
}

void TPlotScales::MaxFrequencyClick() {
    QCPAxis* x = form_.Graph()->xAxis;
    auto set = [this, x](double v) {
        x->setRangeUpper(v);
        form_.Replot();
    };
    set(RunValueDialog("Max Frequency", 2 * x->range().lower, 20000, "Hz", true, true, sm12345, x->range().upper, set));
}

void TPlotScales::VerticalCenterClick() {
    TGraphRecord& record = form_.Record();
    auto set = [this, &record](double v) {
        record.VerticalCenter = v;
        form_.ApplyScale();
    };
    const int step = RoundToInt(record.DbPerDiv);
    set(RunValueDialog("Vertical Center value", -30, 200, "dB", true, true, smIntRound, record.VerticalCenter, set,
                       [step](TEditRealSpin& field) { field.SetCardInc(step); }));
}

void TPlotScales::ResponseScaleClick() {
    TGraphRecord& record = form_.Record();
    const char* fixed = GraphKindDescriptor(record.Kind).ResponseScaleCaption;
    const QString caption = fixed ? QString(fixed) : QString::fromStdString(SquareWaveTitle(record.TestFrequency));
    // Every new value solves once; "ok" and closing raise the value the
    // window already has.
    auto set = [this, &record](double v) {
        if (v == record.ResponseScale) return;
        record.ResponseScale = v;
        form_.RequestSolve();
    };
    set(RunValueDialog(caption, 0.001, 100000, "", false, false, smLog, record.ResponseScale, set));
}

void TPlotScales::MicrosecondsClick() {
    TGraphRecord& record = form_.Record();
    auto live = [this, &record](double v) {
        const bool changed = v != record.UsecPerDiv;
        record.UsecPerDiv = v;
        SetupAxis(form_.Graph()->yAxis, GroupDelayAxisAfterChange(v));
        if (changed) form_.RequestSolve();
    };
    record.UsecPerDiv =
        RunValueDialog("usec per division", 1, 5000, "usec", true, false, sm12345, record.UsecPerDiv, live);
}

void TPlotScales::ShowTestFrequency() {
    form_.TitleElement()->setText(form_.ChartTitle());
    form_.Replot();
    form_.Owner().RebuildGraphToFront();
}

void TPlotScales::TestFrequencyClick() {
    TGraphRecord& record = form_.Record();
    auto live = [this, &record](double v) {
        const bool changed = v != record.TestFrequency;
        record.TestFrequency = v;
        if (changed) form_.RequestSolve();
        ShowTestFrequency();
    };
    record.TestFrequency =
        RunValueDialog("Test Frequency", 5, 20000.0 / 3.0, "Hz", true, true, smLog, record.TestFrequency, live,
                       [](TEditRealSpin& field) { field.SetRealMult(1.02); });
    ShowTestFrequency();
}

void TPlotScales::PerDivisionClick(TVerticalScaleMenu menu, double value) {
    SetPerDivision(form_.Record(), menu, value);
    form_.ApplyScale();
}

void TPlotScales::DbPerDivClick(double value) {
    form_.Record().DbPerDiv = value;
    form_.ApplyScale();
}

}  // namespace pelmo
