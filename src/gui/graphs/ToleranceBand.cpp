#include "gui/graphs/ToleranceBand.h"

#include <qcustomplot.h>

#include <QAction>
#include <QMenu>

#include "base/MessageSink.h"
#include "graphs/GraphKinds.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "model/Design.h"
#include "optimize/SolveCopy.h"

namespace pelmo {

namespace {

const char* const BandLayer = "tolerance";

TChartCurve Points(const DataArray& x, const DataArray& y) {
    TChartCurve c;
    c.X = x;
    c.Y = y;
    return c;
}

}  // namespace

bool TToleranceView::Offered(TGraphKind kind) { return kind == TGraphKind::SPL || kind == TGraphKind::Impedance; }

TToleranceView::TToleranceView(TPlotForm& window, TGraphWindows& owner)
    : QObject(&window), window_(window), owner_(owner) {
    Settings.UnrecordedTolerance = 0.05;
    item_ = window.CurvesMenu()->addAction("Tolerance");
    item_->setCheckable(true);
    connect(item_, &QAction::triggered, this, [this](bool checked) { SetOn(checked); });
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, &TToleranceView::Start);
}

TToleranceView::~TToleranceView() { StopWorker(); }

void TToleranceView::StopWorker() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
        cancel_ = true;
        next_.reset();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool TToleranceView::On() const { return item_->isChecked(); }

bool TToleranceView::Pending() const { return On() && (delay_.isActive() || taken_ != requested_); }

void TToleranceView::SetOn(bool on) {
    item_->setChecked(on);
    if (on) {
        MakeGraphs();
        Start();
        return;
    }
    delay_.stop();
    {
        std::lock_guard<std::mutex> lock(m_);
        next_.reset();
        if (running_) cancel_ = true;
    }
    ++requested_;  // a band still on its way is not drawn
    ShowGraphs(false);
    window_.Replot();
}

void TToleranceView::CurvesRefreshed() {
    if (On()) delay_.start(DelayMs);
}

void TToleranceView::Start() {
    delay_.stop();
    if (!On()) return;
    auto job = std::make_unique<TJob>();
    job->Design = std::make_unique<TDesign>();
    CopySolveDesign(owner_.Design(), *job->Design);
    job->Settings = Settings;
    const TGraphRecord& record = window_.Record();
    TToleranceCurve curve;
    if (record.Kind == TGraphKind::Impedance) {
        curve.Kind = TToleranceCurveKind::Impedance;
    } else {
        // The summed response smoothed as the window's System curve.
        const int system = FindCurve(record, TCurveSubject{});
        if (system >= 0) curve.Smoothing = record.Curves[static_cast<std::size_t>(system)].Smoothing;
    }
    job->Settings.Curves = {curve};
    job->Id = ++requested_;
    {
        std::lock_guard<std::mutex> lock(m_);
        next_ = std::move(job);
        if (running_) cancel_ = true;  // the newer request supersedes it
    }
    wake_.notify_one();
    if (!thread_.joinable()) thread_ = std::thread([this] { Worker(); });
}

void TToleranceView::Worker() {
    for (;;) {
        std::unique_ptr<TJob> job;
        {
            std::unique_lock<std::mutex> lock(m_);
            wake_.wait(lock, [this] { return stop_ || next_; });
            if (stop_) return;
            job = std::move(next_);
            running_ = true;
            cancel_ = false;
        }
        SilentMessageSink silent;
        auto out =
            std::make_shared<TToleranceOutcome>(RunToleranceAnalysis(*job->Design, job->Settings, silent, &cancel_));
        {
            std::lock_guard<std::mutex> lock(m_);
            running_ = false;
        }
        if (out->Cancelled) continue;
        const unsigned id = job->Id;
        QMetaObject::invokeMethod(
            this, [this, id, out] { Take(id, *out); }, Qt::QueuedConnection);
    }
}

void TToleranceView::Take(unsigned id, const TToleranceOutcome& out) {
    if (id != requested_ || !On()) return;
    taken_ = id;
    last_ = out;
    if (!out.Ok || out.Bands.empty()) {
        ShowGraphs(false);
    } else {
        MakeGraphs();  // takes the System curve's colour
        const TToleranceBand& b = out.Bands.front();
        SetGraphPoints(p5_, Points(b.Frequency, b.P5));
        SetGraphPoints(p95_, Points(b.Frequency, b.P95));
        SetGraphPoints(min_, Points(b.Frequency, b.Min));
        SetGraphPoints(max_, Points(b.Frequency, b.Max));
        ShowGraphs(true);
    }
    ++completed_;
    window_.Replot();
    emit Ready();
}

void TToleranceView::MakeGraphs() {
    QCustomPlot* plot = window_.Graph();
    if (p5_) {
        // The System curve's colour may have changed.
    } else {
        // Below the curves' layer: the nominal curve is drawn on top.
        if (!plot->layer(BandLayer)) plot->addLayer(BandLayer, plot->layer("main"), QCustomPlot::limBelow);
        for (QCPGraph** g : {&min_, &max_, &p5_, &p95_}) {
            *g = plot->addGraph(plot->xAxis, plot->yAxis);
            (*g)->setLayer(BandLayer);
            (*g)->setPen(Qt::NoPen);
            (*g)->removeFromLegend();
            (*g)->setVisible(false);
        }
        min_->setChannelFillGraph(max_);
        p5_->setChannelFillGraph(p95_);
        p5_->setName("Tol 5-95%");
        min_->setName("Tol min-max");
    }
    QColor colour(0, 0, 255);
    const TGraphRecord& record = window_.Record();
    const int system = FindCurve(record, TCurveSubject{});
    if (system >= 0) {
        const TRgb c = PaletteColour(record.Curves[static_cast<std::size_t>(system)].ColourIndex);
        colour = QColor(c.R, c.G, c.B);
    }
    QColor inner = colour, outer = colour;
    inner.setAlpha(85);
    outer.setAlpha(35);
    p5_->setBrush(inner);
    min_->setBrush(outer);
}

void TToleranceView::ShowGraphs(bool shown) {
    if (!p5_) return;
    QCustomPlot* plot = window_.Graph();
    ShowInLegend(plot, p5_, shown);
    ShowInLegend(plot, min_, shown);
    p95_->setVisible(shown);
    max_->setVisible(shown);
}

}  // namespace pelmo
