#include "gui/dialogs/TailsDialog.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "base/Paths.h"
#include "base/Rounding.h"
#include "document/Session.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MinimumPhase.h"
#include "driverdata/TailsPreview.h"
#include "gui/graphs/ChartStyle.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/ValueDialog.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"
#include "gui/widgets/WindowFit.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

constexpr int BottomPanelHeight = 81;
// A spin control's arrows, its field's frame and margins.
constexpr int ValueFieldChrome = 23 + 12;

TEditRealSpin* Field(QWidget* parent, const char* name, int width, double min, double max, const char* units,
                     bool prefixes, TValueStepMode mode) {
    auto* f = new TEditRealSpin(parent);
    f->setObjectName(name);
    // Wide enough for a value of every digit it prints, its prefix and
    // unit ("161.051 [Hz]" was cut), beside the arrows.
    const QString widest = QStringLiteral("-%1. k[%2]").arg(QString(6, QLatin1Char('8')), QLatin1String(units));
    const int text = QFontMetrics(f->EditReal()->font()).horizontalAdvance(widest);
    f->setMinimumSize(std::max(width, text + ValueFieldChrome), 22);
    f->SetMinValue(min);
    f->SetMaxValue(max);
    f->SetUnits(units);
    f->SetShowUnits(true);
    f->SetEngUnits(prefixes);
    f->SetDefNumChars(6);
    f->SetStepMode(mode);
    return f;
}

// Keeps the messages of a derivation for the dialog to pass on once.
class HeldMessages : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    Answer Ask(const std::string&, bool) override { return Answer::No; }
    std::vector<std::string> Messages;
};

}  // namespace

TResponseTailsDialog::TResponseTailsDialog(TSession& session, int driverIndex, const QString& responsePath,
                                           QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      session_(session),
      driverIndex_(driverIndex),
      responsePath_(responsePath) {
    setObjectName("HilbertConfig");
    setWindowTitle("Define Response Tails");
    setModal(true);
    resize(668, 392);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* menu = new QMenuBar(this);
    QMenu* scale = menu->addMenu("Scale");
    scale->addAction("Vertical Center", this, &TResponseTailsDialog::VerticalCenterClick);
    layout->setMenuBar(menu);
    BuildChart();
    layout->addWidget(graph_, 1);
    auto* panel = new QWidget(this);
    panel->setObjectName("BottomPanel");
    panel->setMinimumHeight(BottomPanelHeight);
    layout->addWidget(panel);
    BuildFields(panel);
    SetSizeAtLeast(*this, QSize(590, 392), false);

    // The driver's settings into the fields.
    if (TDriver* drv = Driver()) {
        const TResponseTails& t = drv->Acoustic.Tails;
        derivedBefore_ = drv->Acoustic.HilbertPhase;
        lowFBefore_ = t.LowFreq;
        highFBefore_ = t.HighFreq;
        lowSBefore_ = t.LowSlope;
        highSBefore_ = t.HighSlope;
        delayBefore_ = t.DelayInches;
        invertBefore_ = t.Invert;
        ersLowerF_->SetRealValue(t.LowFreq);
        ersUpperF_->SetRealValue(t.HighFreq);
        ersLowerSlope_->SetRealValue(t.LowSlope);
        ersUpperSlope_->SetRealValue(-std::fabs(t.HighSlope));
        ersDelayHP_->SetRealValue(t.DelayInches);
        invertHP_->setChecked(t.Invert);
    }
    const QString name = QString::fromStdString(ExtractFileName(responsePath.toStdString()));
    const int dot = name.lastIndexOf('.');
    title_->setText((dot > 0 ? name.left(dot) : name) + " dB and Derived Phase");

    connect(ersLowerF_, &TEditRealSpin::ValChange, this, [this](double v) {
        if (loading_) return;
        if (TDriver* drv = Driver()) drv->Acoustic.Tails.LowFreq = v;
        Preview();
    });
    connect(ersUpperF_, &TEditRealSpin::ValChange, this, [this](double v) {
        if (loading_) return;
        if (TDriver* drv = Driver()) drv->Acoustic.Tails.HighFreq = std::fabs(v);
        Preview();
    });
    connect(ersLowerSlope_, &TEditRealSpin::ValChange, this, [this] { SlopeChanged(false); });
    connect(ersUpperSlope_, &TEditRealSpin::ValChange, this, [this] { SlopeChanged(true); });
    connect(ersDelayHP_, &TEditRealSpin::ValChange, this, [this] { DelayOrInvertChanged(); });
    connect(invertHP_, &QCheckBox::clicked, this, [this] { DelayOrInvertChanged(); });
    connect(showOrig_, &QCheckBox::clicked, this, [this] {
        DrawMeasuredPhase();
        graph_->replot();
    });
    connect(btnOk_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel_, &QPushButton::clicked, this, &TResponseTailsDialog::reject);
    readoutTimer_.setSingleShot(true);
    readoutTimer_.setInterval(1000);
    connect(&readoutTimer_, &QTimer::timeout, readout_, &QLabel::hide);
}

TDriver* TResponseTailsDialog::Driver() {
    TDesign& d = session_.Design();
    if (driverIndex_ < 0 || driverIndex_ >= static_cast<int>(d.Drivers.size())) return nullptr;
    return d.Drivers[static_cast<std::size_t>(driverIndex_)].get();
}

void TResponseTailsDialog::BuildChart() {
    graph_ = new QCustomPlot(this);
    graph_->setObjectName("Graph");
    graph_->setBackground(Qt::white);
    graph_->setInteractions(QCP::iNone);
    graph_->setMouseTracking(true);
    graph_->setCursor(Qt::CrossCursor);
    title_ = new QCPTextElement(graph_, "FRD Data and Derived Phase", ArialPixels(16));
    title_->setTextColor(Qt::blue);
    graph_->plotLayout()->insertRow(0);
    graph_->plotLayout()->addElement(0, 0, title_);
    auto* foot = new QCPTextElement(graph_, "Pelmo", ArialPixels(15, true, true));
    foot->setTextColor(QColor(0, 128, 128));
    foot->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
    graph_->plotLayout()->addElement(2, 0, foot);
    graph_->plotLayout()->setRowStretchFactor(0, 0.01);
    graph_->plotLayout()->setRowStretchFactor(2, 0.01);
    graph_->legend->setVisible(false);

    TAxisSetup bottom;
    bottom.Min = 20;
    bottom.Max = 40000;
    bottom.Log = true;
    bottom.Title = "frequency [Hz]";
    SetupAxis(graph_->xAxis, bottom);
    TAxisSetup right;
    right.Min = -180;
    right.Max = 180;
    right.Step = 30;
    right.Grid = false;
    right.Title = "deg";
    SetupAxis(graph_->yAxis2, right);
    graph_->yAxis2->setVisible(true);
    SetVerticalCenter(verticalCenter_);

    auto curve = [this](QCPAxis* axis, QColor colour, int width, Qt::PenStyle style, const char* name) {
        QCPGraph* g = graph_->addGraph(graph_->xAxis, axis);
        g->setPen(QPen(colour, width, style));
        g->setName(name);
        return g;
    };
    const QColor red(255, 0, 0), blue(0, 0, 255), green(0, 128, 0);
    measuredMag_ = curve(graph_->yAxis, red, 2, Qt::SolidLine, "measured dB");
    measuredPhase_ = curve(graph_->yAxis2, red, 1, Qt::DotLine, "measured phase");
    lowerTail_ = curve(graph_->yAxis, blue, 2, Qt::SolidLine, "lower tail");
    upperTail_ = curve(graph_->yAxis, blue, 2, Qt::SolidLine, "upper tail");
    derivedPhase_ = curve(graph_->yAxis2, green, 1, Qt::DotLine, "derived phase");
    // Tails are straight lines: drawn as given, never sorted by frequency.
    for (QCPGraph* g : {lowerTail_, upperTail_}) g->setLineStyle(QCPGraph::lsLine);

    readout_ = new QLabel(graph_);
    readout_->setObjectName("Readout");
    readout_->setMaximumWidth(200);
    readout_->setAutoFillBackground(true);
    QPalette rp = readout_->palette();
    rp.setColor(QPalette::Window, QColor(0, 255, 255));
    rp.setColor(QPalette::WindowText, Qt::black);
    readout_->setPalette(rp);
    readout_->setFrameStyle(QFrame::Box | QFrame::Plain);
    readout_->setMargin(2);
    readout_->hide();
    connect(graph_, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) { ChartMouseMove(e->pos()); });
}

void TResponseTailsDialog::BuildFields(QWidget* p) {
    // Five fields under their captions; below them the phase box, "ok" and
    // "cancel", and "invert" under the delay.
    auto* grid = new QGridLayout(p);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    const char* captions[] = {"Lower Tail", "Higher Tail", "Low Frequency Slope", "High Frequency Slope", "delay by:"};
    for (int i = 0; i < 5; ++i) grid->addWidget(new QLabel(captions[i], p), 0, i);
    ersLowerF_ = Field(p, "ersLowerF", 102, 20, 15000, "Hz", true, smLog);
    ersLowerF_->SetRealMult(1.1);
    ersUpperF_ = Field(p, "ersUpperF", 102, 20, 20000, "Hz", true, smLog);
    ersUpperF_->SetRealMult(1.1);
    ersLowerSlope_ = Field(p, "ersLowerSlope", 142, 0, 120, "dB/Oct", false, smReal);
    ersLowerSlope_->SetRealInc(1.5);
    ersUpperSlope_ = Field(p, "ersUpperSlope", 142, -120, 10, "dB/Oct", false, smReal);
    ersUpperSlope_->SetRealInc(1.5);
    ersDelayHP_ = Field(p, "ersDelayHP", 110, -40, 40, "in", false, smReal);
    ersDelayHP_->SetRealInc(0.01);
    int column = 0;
    for (TEditRealSpin* f : {ersLowerF_, ersUpperF_, ersLowerSlope_, ersUpperSlope_, ersDelayHP_})
        grid->addWidget(f, 1, column++);
    invertHP_ = new QCheckBox("invert", p);
    invertHP_->setObjectName("InvertHP");

    auto* box = new QGroupBox(p);
    auto* boxRow = new QHBoxLayout(box);
    boxRow->setContentsMargins(6, 2, 6, 2);
    showOrig_ = new QCheckBox("show orig phase", box);
    showOrig_->setObjectName("cbShowOrig");
    boxRow->addWidget(showOrig_);
    btnOk_ = new QPushButton("ok", p);
    btnOk_->setObjectName("btnOk");
    btnCancel_ = new QPushButton("cancel", p);
    btnCancel_->setObjectName("btnCancel");
    for (QPushButton* b : {btnOk_, btnCancel_}) b->setMinimumSize(80, 28);
    btnOk_->setDefault(true);
    btnCancel_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addSpacing(20);
    buttons->addWidget(btnOk_);
    buttons->addWidget(btnCancel_);
    buttons->addStretch(1);
    grid->setRowMinimumHeight(2, 4);
    grid->addWidget(box, 3, 0, 1, 2, Qt::AlignLeft);
    grid->addLayout(buttons, 3, 2, 1, 2);
    grid->addWidget(invertHP_, 3, 4);
    grid->setColumnStretch(5, 1);
}

QString TResponseTailsDialog::ChartTitle() const { return title_->text(); }

void TResponseTailsDialog::SetShowOriginalPhase(bool on) {
    const QSignalBlocker quiet(showOrig_);
    showOrig_->setChecked(on);
}

bool TResponseTailsDialog::ReadMeasurement() {
    loading_ = true;
    // The delay and inversion as the fields show them.
    DelayOrInvertChanged();
    measuredMag_->data()->clear();
    measuredPhase_->data()->clear();
    if (!ReadFileOnGrid(responsePath_.toStdString(), false, gridFreq_, gridMag_, gridPhase_, session_.Messages()))
        return false;
    DrawMeasuredPhase();
    SetVerticalCenter(PreviewVerticalCenter(gridMag_));
    QVector<double> f(gridFreq_.begin(), gridFreq_.end()), m(gridMag_.begin(), gridMag_.end());
    measuredMag_->setData(f, m, true);
    measuredMag_->setVisible(true);
    loading_ = false;
    Preview();
    return true;
}

void TResponseTailsDialog::SetVerticalCenter(int centre) {
    verticalCenter_ = centre;
    TAxisSetup left;
    left.Min = centre - 30;
    left.Max = centre + 30;
    left.Step = 5;
    left.Title = "dBSPL";
    SetupAxis(graph_->yAxis, left);
}

void TResponseTailsDialog::Preview() {
    TDriver* drv = Driver();
    if (!drv || gridFreq_.empty()) return;
    const TResponseTails& t = drv->Acoustic.Tails;
    lowerTail_->data()->clear();
    upperTail_->data()->clear();
    if (const auto lo = LowerTailLine(gridFreq_, gridMag_, t)) {
        lowerTail_->addData(lo->F1, lo->Db1);
        lowerTail_->addData(lo->F2, lo->Db2);
    }
    if (const auto hi = UpperTailLine(gridFreq_, gridMag_, t)) {
        upperTail_->addData(hi->F1, hi->Db1);
        upperTail_->addData(hi->F2, hi->Db2);
    }
    drv->Acoustic.HilbertPhase = true;
    // A failing derivation is said once, not again at every step while the
    // settings stay unusable.
    HeldMessages quiet;
    const bool ok =
        MinimumPhaseOfLevels(gridMag_, derived_, gridFreq_, t.LowFreq, t.HighFreq, t.LowSlope, t.HighSlope, quiet);
    if (!ok && !lastPreviewFailed_)
        for (const std::string& m : quiet.Messages) session_.Messages().ShowMessage(m);
    lastPreviewFailed_ = !ok;
    DrawDerivedPhase();
    graph_->replot();
}

void TResponseTailsDialog::DrawDerivedPhase() {
    derivedPhase_->data()->clear();
    const TDriver* drv = Driver();
    if (!drv || derived_.size() != gridMag_.size()) return;
    TChartCurve c;
    c.X = gridFreq_;
    c.Y = PreviewPhase(gridFreq_, derived_, drv->Acoustic.Tails.Invert, drv->Acoustic.Tails.DelayInches);
    SetPhasePoints(derivedPhase_, c);
}

void TResponseTailsDialog::DrawMeasuredPhase() {
    const bool show = showOrig_->isChecked();
    measuredPhase_->setVisible(show);
    measuredPhase_->data()->clear();
    if (!show || gridPhase_.size() != gridMag_.size()) return;
    TChartCurve c;
    c.X = gridFreq_;
    c.Y.reserve(gridPhase_.size());
    for (const double v : gridPhase_) c.Y.push_back(WrapAngle(v));
    SetPhasePoints(measuredPhase_, c);
}

void TResponseTailsDialog::SlopeChanged(bool upper) {
    if (loading_) return;
    // The upper slope falls: a rising one is taken as flat.
    if (ersUpperSlope_->RealValue() >= 0) ersUpperSlope_->SetRealValue(0);
    if (TDriver* drv = Driver()) {
        if (upper)
            drv->Acoustic.Tails.HighSlope = std::fabs(ersUpperSlope_->RealValue());
        else
            drv->Acoustic.Tails.LowSlope = std::fabs(ersLowerSlope_->RealValue());
    }
    Preview();
}

void TResponseTailsDialog::DelayOrInvertChanged() {
    if (TDriver* drv = Driver()) {
        drv->Acoustic.Tails.Invert = invertHP_->isChecked();
        drv->Acoustic.Tails.DelayInches = ersDelayHP_->RealValue();
    }
    // Only the drawing changes: no new derivation.
    DrawDerivedPhase();
    graph_->replot();
}

void TResponseTailsDialog::VerticalCenterClick() {
    TValueDialog dialog(this);
    dialog.setWindowTitle("Vertical Center value");
    TEditRealSpin& ers = *dialog.Field();
    ers.SetMinValue(-30);
    ers.SetMaxValue(200);
    ers.SetUnits("dB");
    ers.SetStepMode(smIntRound);
    ers.SetCardInc(5);
    ers.SetRealValue(verticalCenter_);
    dialog.Callback = [this](double v) {
        SetVerticalCenter(RoundToInt(v));
        graph_->replot();
    };
    dialog.move(frameGeometry().topLeft() - QPoint(5, 5));
    ExecModal(dialog);
}

void TResponseTailsDialog::ChartMouseMove(QPoint pos) {
    const double x = graph_->xAxis->pixelToCoord(pos.x());
    const double y = graph_->yAxis->pixelToCoord(pos.y());
    if (!graph_->xAxis->range().contains(x) || !graph_->yAxis->range().contains(y)) {
        readout_->hide();
        return;
    }
    readout_->setText(QString::fromStdString(FormatE4(x)) + "Hz");
    readout_->adjustSize();
    readout_->move(graph_->width() - 5 - readout_->width(), 1);
    readout_->show();
    readout_->raise();
    readoutTimer_.start();
}

void TResponseTailsDialog::reject() {
    // The settings the driver had, as if the dialog had never opened.
    if (TDriver* drv = Driver()) {
        drv->Acoustic.HilbertPhase = derivedBefore_;
        drv->Acoustic.Tails.LowFreq = lowFBefore_;
        drv->Acoustic.Tails.HighFreq = highFBefore_;
        drv->Acoustic.Tails.LowSlope = lowSBefore_;
        drv->Acoustic.Tails.HighSlope = highSBefore_;
        drv->Acoustic.Tails.DelayInches = delayBefore_;
        drv->Acoustic.Tails.Invert = invertBefore_;
    }
    QDialog::reject();
}

}  // namespace pelmo
