// The graph window's readout with delta mode, "Hold", the file overlay and
// the export of curves as FRD or ZMA files.

#include <qcustomplot.h>

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <algorithm>

#include "base/MessageSink.h"
#include "document/DataFolder.h"
#include "driverdata/MeasurementFile.h"
#include "graphs/CurveExport.h"
#include "graphs/GraphCurves.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/SeriesEdit.h"
#include "gui/widgets/ModalRunner.h"

namespace pelmo {

namespace {
const QString DegreeSign = QString::fromUtf8("\xC2\xB0");

bool Inside(const QCPRange& r, double v) { return v >= r.lower && v <= r.upper; }

}  // namespace

// ---------------------------------------------------------------------------
// Readout and delta mode

bool TPlotForm::AnyPhaseShown() const {
    if (!KindHasPhase(record_.Kind)) return false;
    for (const TSeriesDef& c : record_.Curves)
        if (c.ShowPhase) return true;
    return false;
}

void TPlotForm::GraphMouseMove(QPoint pos) {
    const double x = graph_->xAxis->pixelToCoord(pos.x());
    const double y = graph_->yAxis->pixelToCoord(pos.y());
    const bool phase = AnyPhaseShown();
    const double ph = phase ? graph_->yAxis2->pixelToCoord(pos.y()) : 0.0;
    cursor_ = {x, y, ph};
    if (!Inside(graph_->xAxis->range(), x) || !Inside(graph_->yAxis->range(), y)) {
        popupEnabled_ = false;
        HideReadout();
        return;
    }
    popupEnabled_ = true;
    const auto text = ReadoutText(record_.Kind, cursor_, deltaRef_, deltaMode_, phase);
    if (!text) return;
    readout_->setText(QString::fromStdString(*text));
    FitReadout();
    readout_->move(graph_->width() - 5 - readout_->width(), 1);
    readout_->show();
    readout_->raise();
    readoutTimer_.start();
}

void TPlotForm::FitReadout() {
    // As wide as its longest line, so that a line breaks only where it would
    // pass the readout's widest (a wrapped label left to itself picks a
    // narrow shape and breaks "627.78 usec").
    readout_->setWordWrap(false);
    const int natural = readout_->sizeHint().width();
    readout_->setWordWrap(true);
    // Within the chart, also where the window is narrow.
    const int widest = std::min(ReadoutMaxWidth, std::max(40, graph_->width() - 10));
    const int width = std::min(natural, widest);
    readout_->resize(width, readout_->heightForWidth(width));
}

void TPlotForm::HideReadout() {
    readout_->hide();
    readoutTimer_.stop();
}

void TPlotForm::GraphContextMenu(QPoint pos) {
    if (!deltaMenu_ || !popupEnabled_) return;
    QAction* chosen = ExecMenu(*deltaMenu_, graph_->mapToGlobal(pos));
    if (chosen == setDeltaRef_)
        SetDeltaReferenceClick();
    else if (chosen == deltaOff_)
        DeltaModeOffClick();
}

void TPlotForm::SetDeltaReferenceClick() {
    deltaRef_ = cursor_;
    deltaMode_ = true;
    if (deltaOff_) deltaOff_->setVisible(true);
}

void TPlotForm::DeltaModeOffClick() {
    deltaMode_ = false;
    if (deltaOff_) deltaOff_->setVisible(false);
}

bool TPlotForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == graph_ && event->type() == QEvent::Leave) HideReadout();
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Hold

void TPlotForm::HoldClick() {
    const int sys = FindCurve(record_, TCurveSubject{});
    if (sys < 0) return;
    const TSeriesDef& c = record_.Curves[static_cast<std::size_t>(sys)];
    SetGraphPoints(holdMag_, c.MagSeries);
    SetPhasePoints(holdPhase_, c.PhaseSeries);
    holdMag_->setVisible(true);
    holdPhase_->setVisible(c.ShowPhase && KindHasPhase(record_.Kind));
    btnClear_->show();
    // Drawn on top of every other curve.
    holdMag_->setLayer("hold");
    holdPhase_->setLayer("hold");
    Replot();
}

void TPlotForm::ClearClick() {
    for (QCPGraph* g : {holdMag_, holdPhase_}) {
        g->data()->clear();
        g->setVisible(false);
    }
    btnClear_->hide();
    Replot();
}

// ---------------------------------------------------------------------------
// File overlay

void TPlotForm::ClearFileCurves() {
    for (QCPGraph* g : {fileMag_, filePhase_}) {
        g->data()->clear();
        ShowInLegend(graph_, g, false);
    }
    getFile_->setText(GetFileItem);
    getFile_->setChecked(false);
    Replot();
}

void TPlotForm::SetFileStyle(int colour, bool showPhase) {
    fileColour_ = colour;
    const TRgb rgb = PaletteColour(colour);
    const QColor c(rgb.R, rgb.G, rgb.B);
    fileMag_->setPen(QPen(c, 2));
    filePhase_->setPen(QPen(c, 1, Qt::DotLine));
    // Only a file curve that is there can be shown.
    if (!fileMag_->data()->isEmpty()) ShowInLegend(graph_, filePhase_, showPhase && !filePhase_->data()->isEmpty());
    Replot();
}

void TPlotForm::GetFileClick() {
    TSeriesEditForm& dialog = owner_.SeriesEdit();
    dialog.GraphKind = record_.Kind;
    dialog.Window = this;
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
    const TGraphKindDescriptor& kind = GraphKindDescriptor(record_.Kind);
    const bool impedance = kind.GetFileReadsZma;
    if (!kind.ShowGetFile) {
        SetCurveChecks();
        return;
    }
    const QString path = owner_.ChooseOpenFile ? owner_.ChooseOpenFile(this, "File to Graph",
                                                                       impedance ? "ZMA impedance files (*.zma *.ZMA)"
                                                                                 : "FRD response files (*.frd *.FRD)",
                                                                       impedance ? "zma" : "frd")
                                               : QString();
    DataArray f, m, p;
    if (path.isEmpty() || !ReadMeasurementFile(path.toStdString(), f, m, p, owner_.Messages())) {
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
    ShowInLegend(graph_, fileMag_, true);
    ShowInLegend(graph_, filePhase_, dialog.PhaseBox()->isChecked() && !file.PhaseSeries.Empty());
    getFile_->setText(FromFilePrefix + QString::fromStdString(ExtractFileName(path.toStdString())));
    getFile_->setChecked(true);
    if (record_.SelectedCurve >= 0 && static_cast<std::size_t>(record_.SelectedCurve) < record_.Curves.size())
        record_.Curves[static_cast<std::size_t>(record_.SelectedCurve)].FileName = path.toStdString();
    Replot();
}

// ---------------------------------------------------------------------------
// Export

void TPlotForm::ExportSystemClick(bool zma) {
    const int i = FindCurve(record_, TCurveSubject{});
    if (i < 0) {
        owner_.Messages().ShowMessage(ExportNeedsSystemCurve);
        return;
    }
    ExportCurve(i, zma);
}

void TPlotForm::ExportDriverClick(const TCurveSubject& driver) {
    const int i = FindCurve(record_, driver);
    if (i < 0) {
        owner_.Messages().ShowMessage(ExportNeedsSelectedCurve);
        return;
    }
    ExportCurve(i, false);
}

void TPlotForm::ExportCurve(int index, bool zma) {
    const TExportDialogText text = ExportDialogText(zma);
    const QString path =
        owner_.ChooseSaveFile ? owner_.ChooseSaveFile(this, text.Title, text.Filter, text.DefaultExtension) : QString();
    const auto lines = ExportLines(record_.Curves[static_cast<std::size_t>(index)], zma);
    if (!lines || path.isEmpty()) return;
    // A file that could not be written must not pass for saved.
    if (!WriteExportFile(path.toStdString(), *lines)) owner_.Messages().ShowMessage("file error");
}

}  // namespace pelmo
