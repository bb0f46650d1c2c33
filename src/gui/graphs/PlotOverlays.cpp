#include "gui/graphs/PlotOverlays.h"

#include <qcustomplot.h>

#include <QCursor>
#include <QPushButton>

#include "base/MessageSink.h"
#include "document/DataFolder.h"
#include "driverdata/MeasurementFile.h"
#include "graphs/GraphCurves.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/SeriesEdit.h"
#include "gui/widgets/ModalRunner.h"

namespace pelmo {

namespace {
const QString DegreeSign = QString::fromUtf8("\xC2\xB0");
QColor ToQColor(const TRgb& c) { return {c.R, c.G, c.B}; }
}  // namespace

TPlotOverlays::TPlotOverlays(TPlotForm& form) : form_(form) {
    QCustomPlot* graph = form.Graph();
    holdMag_ = graph->addGraph(graph->xAxis, graph->yAxis);
    holdPhase_ = graph->addGraph(graph->xAxis, graph->yAxis2);
    holdMag_->setPen(QPen(ToQColor(HoldColour), 2));
    holdPhase_->setPen(QPen(ToQColor(HoldColour), 1, Qt::DotLine));
    fileMag_ = graph->addGraph(graph->xAxis, graph->yAxis);
    filePhase_ = graph->addGraph(graph->xAxis, graph->yAxis2);
    const QColor file = ToQColor(PaletteColour(fileColour_));
    fileMag_->setPen(QPen(file, 2));
    filePhase_->setPen(QPen(file, 1, Qt::DotLine));
    fileMag_->setName("File");
    filePhase_->setName("File" + DegreeSign);
    for (QCPGraph* g : {holdMag_, holdPhase_, fileMag_, filePhase_}) ShowInLegend(graph, g, false);

    holdButton_ = new QPushButton("Hold", graph);
    clearButton_ = new QPushButton("Clear", graph);
    for (QPushButton* b : {holdButton_, clearButton_}) {
        b->setStyleSheet(
            "QPushButton { background: white; border: 1px solid #a0a0a0; }"
            "QPushButton:pressed { background: #e0e0e0; }");
        b->setFocusPolicy(Qt::NoFocus);
        b->resize(44, 20);
        b->hide();
    }
    QObject::connect(holdButton_, &QPushButton::clicked, &form, [this] { HoldClick(); });
    QObject::connect(clearButton_, &QPushButton::clicked, &form, [this] { ClearClick(); });
}

void TPlotOverlays::Place() {
    const QCustomPlot* graph = form_.Graph();
    const int w = graph->width(), h = graph->height();
    holdButton_->move(w - holdButton_->width() - 2, h - holdButton_->height() - 2);
    clearButton_->move(holdButton_->x() - clearButton_->width() - 2, holdButton_->y());
}

// ---------------------------------------------------------------------------
// Hold

void TPlotOverlays::UpdateHoldButton() {
    holdButton_->setVisible(HoldAvailable(form_.Record()));
    Place();
}

void TPlotOverlays::HoldClick() {
    const TGraphRecord& record = form_.Record();
    const int sys = FindCurve(record, TCurveSubject{});
    if (sys < 0) return;
    const TSeriesDef& c = record.Curves[static_cast<std::size_t>(sys)];
    SetGraphPoints(holdMag_, c.MagSeries);
    SetPhasePoints(holdPhase_, c.PhaseSeries);
    holdMag_->setVisible(true);
    holdPhase_->setVisible(c.ShowPhase && KindHasPhase(record.Kind));
    clearButton_->show();
    // Drawn on top of every other curve.
    holdMag_->setLayer("hold");
    holdPhase_->setLayer("hold");
    form_.Replot();
}

void TPlotOverlays::ClearClick() {
    for (QCPGraph* g : {holdMag_, holdPhase_}) {
        g->data()->clear();
        g->setVisible(false);
    }
    clearButton_->hide();
    form_.Replot();
}

// ---------------------------------------------------------------------------
// File overlay

void TPlotOverlays::ClearFileCurves() {
    for (QCPGraph* g : {fileMag_, filePhase_}) {
        g->data()->clear();
        ShowInLegend(form_.Graph(), g, false);
    }
    form_.GetFileAction()->setText(GetFileItem);
    form_.GetFileAction()->setChecked(false);
    form_.Replot();
}

void TPlotOverlays::SetFileStyle(int colour, bool showPhase) {
    fileColour_ = colour;
    const QColor c = ToQColor(PaletteColour(colour));
    fileMag_->setPen(QPen(c, 2));
    filePhase_->setPen(QPen(c, 1, Qt::DotLine));
    // Only a file curve that is there can be shown.
    if (!fileMag_->data()->isEmpty())
        ShowInLegend(form_.Graph(), filePhase_, showPhase && !filePhase_->data()->isEmpty());
    form_.Replot();
}

void TPlotOverlays::GetFileClick() {
    TGraphWindows& owner = form_.Owner();
    TGraphRecord& record = form_.Record();
    TSeriesEditForm& dialog = owner.SeriesEdit();
    dialog.GraphKind = record.Kind;
    dialog.Window = &form_;
    dialog.CurveIndex = -1;
    dialog.FileMode = true;
    dialog.FilePhaseShown = filePhase_->visible();
    dialog.CurveName = FromFileCaption;
    dialog.Prepare();
    dialog.move(QCursor::pos());
    const int result = ExecModal(dialog);
    if (result == TSeriesEditForm::ResultRemove) {
        ClearFileCurves();
        return;
    }
    const TGraphKindDescriptor& kind = GraphKindDescriptor(record.Kind);
    const bool impedance = kind.GetFileReadsZma;
    if (!kind.ShowGetFile) {
        form_.SetCurveChecks();
        return;
    }
    const QString path = owner.ChooseOpenFile ? owner.ChooseOpenFile(&form_, "File to Graph",
                                                                     impedance ? "ZMA impedance files (*.zma *.ZMA)"
                                                                               : "FRD response files (*.frd *.FRD)",
                                                                     impedance ? "zma" : "frd")
                                              : QString();
    DataArray f, m, p;
    if (path.isEmpty() || !ReadMeasurementFile(path.toStdString(), f, m, p, owner.Messages())) {
        ClearFileCurves();
        return;
    }
    TSeriesDef file;
    for (std::size_t i = 0; i < f.size(); ++i) file.MagSeries.Add(f[i], m[i]);
    if (p.size() == m.size())
        for (std::size_t i = 0; i < f.size(); ++i) file.PhaseSeries.Add(f[i], p[i]);
    SetGraphPoints(fileMag_, file.MagSeries);
    SetPhasePoints(filePhase_, file.PhaseSeries);
    SetFileStyle(dialog.SelectedColour, false);
    fileMag_->setName("File");
    filePhase_->setName("File" + DegreeSign);
    ShowInLegend(form_.Graph(), fileMag_, true);
    ShowInLegend(form_.Graph(), filePhase_, dialog.PhaseBox()->isChecked() && !file.PhaseSeries.Empty());
    form_.GetFileAction()->setText(FromFilePrefix + QString::fromStdString(ExtractFileName(path.toStdString())));
    form_.GetFileAction()->setChecked(true);
    if (record.SelectedCurve >= 0 && static_cast<std::size_t>(record.SelectedCurve) < record.Curves.size())
        record.Curves[static_cast<std::size_t>(record.SelectedCurve)].FileName = path.toStdString();
    form_.Replot();
}

}  // namespace pelmo
