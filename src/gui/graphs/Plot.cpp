#include "gui/graphs/Plot.h"

#include <qcustomplot.h>

#include <QCloseEvent>
#include <QMenuBar>
#include <cmath>
#include <limits>

#include "base/MessageSink.h"
#include "graphs/CurveExport.h"
#include "graphs/DirectionalCurves.h"
#include "graphs/GraphCurves.h"
#include "gui/graphs/ChartLine.h"
#include "gui/graphs/ChartStyle.h"
#include "gui/graphs/DirectionalMenu.h"
#include "gui/graphs/GraphPicture.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/PlotLegend.h"
#include "gui/graphs/PlotOverlays.h"
#include "gui/graphs/PlotReadout.h"
#include "gui/graphs/PlotScales.h"
#include "gui/graphs/PlotZoom.h"
#include "gui/graphs/SeriesEdit.h"
#include "gui/graphs/ToleranceBand.h"
#include "gui/widgets/ModalRunner.h"

namespace pelmo {

namespace {

QColor ToQColor(const TRgb& c) { return {c.R, c.G, c.B}; }
QColor Palette(int index) { return ToQColor(PaletteColour(index)); }

const QString DegreeSign = QString::fromUtf8("\xC2\xB0");
}  // namespace

void SetGraphPoints(QCPGraph* g, const TChartCurve& c) {
    const int n = static_cast<int>(c.Count());
    QSharedPointer<QCPGraphDataContainer> data = g->data();
    if (data->size() == n) {
        auto it = data->begin();
        for (int i = 0; i < n; ++i, ++it) {
            it->key = c.X[static_cast<std::size_t>(i)];
            it->value = c.Y[static_cast<std::size_t>(i)];
        }
        return;
    }
    QVector<QCPGraphData> points(n);
    for (int i = 0; i < n; ++i) points[i] = {c.X[static_cast<std::size_t>(i)], c.Y[static_cast<std::size_t>(i)]};
    data->set(points, true);
}

void SetPhasePoints(QCPGraph* g, const TChartCurve& c) {
    const std::size_t n = c.Count();
    QVector<QCPGraphData> points;
    points.reserve(static_cast<int>(n) + 16);
    for (std::size_t i = 0; i < n; ++i) {
        // A wrap from +180 to -180 degrees (or back): the line breaks there
        // instead of crossing the whole chart.
        if (i > 0 && std::abs(c.Y[i] - c.Y[i - 1]) > 180.0)
            points.push_back({(c.X[i] + c.X[i - 1]) / 2, std::numeric_limits<double>::quiet_NaN()});
        points.push_back({c.X[i], c.Y[i]});
    }
    QSharedPointer<QCPGraphDataContainer> data = g->data();
    if (data->size() == points.size()) {
        auto it = data->begin();
        for (const QCPGraphData& p : points) *it++ = p;
        return;
    }
    data->set(points, true);
}

void ShowInLegend(QCustomPlot* plot, QCPGraph* g, bool visible) {
    g->setVisible(visible);
    const bool listed = plot->legend->hasItemWithPlottable(g);
    if (visible && !listed) g->addToLegend();
    if (!visible && listed) g->removeFromLegend();
    ShowLegendWhenFilled(plot);
}

void ShowLegendWhenFilled(QCustomPlot* plot) {
    // A legend without entries would draw an empty frame.
    plot->legend->setVisible(plot->legend->itemCount() > 0);
}

TPlotForm::TPlotForm(TGraphWindows& owner, TGraphKind kind) : QMainWindow(nullptr), owner_(owner), record_(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Pelmo");
    resize(604, 416);
    BuildChart();
    BuildMenus();
}

TPlotForm::~TPlotForm() {
    // The zoom and the legend watch the chart's events through this form;
    // the chart goes on receiving events (hide, leave) while the window's
    // base classes take it down, when the form is no longer one.
    graph_->removeEventFilter(zoom_);
    graph_->removeEventFilter(legend_);
    owner_.WindowClosing(this);
}

QString TPlotForm::ChartTitle() const { return QString::fromStdString(pelmo::ChartTitle(record_)); }

void TPlotForm::BuildChart() {
    graph_ = new QCustomPlot(this);
    graph_->setObjectName("Graph");
    setCentralWidget(graph_);
    graph_->setBackground(Qt::white);
    graph_->setInteractions(QCP::iNone);
    graph_->setMouseTracking(true);
    graph_->setContextMenuPolicy(Qt::CustomContextMenu);
    graph_->setNoAntialiasingOnDrag(true);
    graph_->setPlottingHint(QCP::phFastPolylines, true);

    title_ = new QCPTextElement(graph_, "", ArialPixels(16));
    title_->setTextColor(Qt::blue);
    graph_->plotLayout()->insertRow(0);
    graph_->plotLayout()->addElement(0, 0, title_);
    foot_ = new QCPTextElement(graph_, "Pelmo", ArialPixels(15, true, true));
    foot_->setTextColor(QColor(0, 128, 128));
    foot_->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
    graph_->plotLayout()->addElement(2, 0, foot_);
    graph_->plotLayout()->setRowStretchFactor(0, 0.01);
    graph_->plotLayout()->setRowStretchFactor(2, 0.01);

    graph_->legend->setVisible(false);  // until it lists a curve
    graph_->legend->setFont(ArialPixels(13));
    graph_->legend->setIconSize(QSize(40, 12));
    graph_->legend->setBrush(QColor(255, 255, 255, 220));

    graph_->yAxis2->setVisible(true);
    graph_->yAxis2->grid()->setVisible(false);
    graph_->layer("main")->setMode(QCPLayer::lmBuffered);
    graph_->addLayer("hold", graph_->layer("main"), QCustomPlot::limAbove);
    // Nothing is drawn on the overlay layer: without a buffer of its own it
    // costs no composition of a whole window's pixels at every repaint.
    graph_->layer("overlay")->setMode(QCPLayer::lmLogical);

    overlays_ = std::make_unique<TPlotOverlays>(*this);
    readout_ = std::make_unique<TPlotReadout>(*this);
    zoom_ = new TPlotZoom(*this);
    // After the zoom: a press on the legend drags it instead of zooming.
    legend_ = new TPlotLegend(*this);

    connect(graph_, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent* e) { readout_->MouseMove(e->pos(), e->modifiers()); });
    connect(graph_, &QCustomPlot::customContextMenuRequested, this, [this](QPoint pos) { readout_->ContextMenu(pos); });
    graph_->installEventFilter(this);
    PlaceOverlays();
}

void TPlotForm::BuildMenus() {
    fileMenu_ = menuBar()->addMenu("File");
    exportSystemFrd_ = fileMenu_->addAction(ExportSystemFrdItem, this, [this] { ExportSystemClick(false); });
    exportSystemZma_ = fileMenu_->addAction(ExportSystemZmaItem, this, [this] { ExportSystemClick(true); });
    exportFrdMenu_ = fileMenu_->addMenu(ExportFrdItem);
    exportFrd_ = exportFrdMenu_->menuAction();
    for (QAction* a : {exportSystemFrd_, exportSystemZma_, exportFrd_}) a->setVisible(false);
    AddGraphPictureItems(*this, owner_, fileMenu_);

    curvesMenu_ = menuBar()->addMenu("Curves");
    getFile_ = curvesMenu_->addAction(GetFileItem, this, [this] { overlays_->GetFileClick(); });
    getFile_->setCheckable(true);
    if (TToleranceView::Offered(record_.Kind)) toleranceBand_ = new TToleranceView(*this, owner_);
    AddDirectionalViewMenu(*this, curvesMenu_);
    scales_ = std::make_unique<TPlotScales>(*this);
}

void TPlotForm::FirstSetup(int windowNumber) {
    record_.WindowNumber = windowNumber;
    record_.AutoSystemCurve = KindHasSystemCurve(record_.Kind);
    const TGraphKindDescriptor& info = GraphKindDescriptor(record_.Kind);
    if (!info.DeltaMenu) readout_->DropDeltaMenu();
    title_->setText(ChartTitle());
    SetupAxis(graph_->xAxis, BottomAxisSetup(record_.Kind));
    SetupAxis(graph_->yAxis, LeftAxisSetup(record_));
    SetupAxis(graph_->yAxis2, RightAxisSetup(record_));
    getFile_->setVisible(info.ShowGetFile);
    scales_->BuildMenu();
    if (info.Readout == TReadoutStyle::Map) BuildColourMap();
}

void TPlotForm::ApplyScale() {
    if (!GraphKindDescriptor(record_.Kind).Left.FollowsScaleMenus) return;
    SetupAxis(graph_->yAxis, LeftAxisSetup(record_));
    // The directivity-index axis keeps the left axis's span.
    if (GraphKindDescriptor(record_.Kind).DiAxis) SetupAxis(graph_->yAxis2, RightAxisSetup(record_));
    Replot();
}

void TPlotForm::BuildColourMap() {
    map_ = new QCPColorMap(graph_->xAxis, graph_->yAxis);
    map_->setTightBoundary(true);
    map_->setInterpolate(true);
    // From white (nothing: behind the baffle) through blue, green and
    // yellow to red at the loudest.
    QCPColorGradient gradient;
    gradient.setColorStopAt(0.0, QColor(255, 255, 255));
    gradient.setColorStopAt(0.12, QColor(170, 200, 255));
    gradient.setColorStopAt(0.35, QColor(0, 60, 255));
    gradient.setColorStopAt(0.55, QColor(0, 200, 120));
    gradient.setColorStopAt(0.78, QColor(255, 230, 0));
    gradient.setColorStopAt(1.0, QColor(220, 0, 0));
    gradient.setNanHandling(QCPColorGradient::nhTransparent);
    map_->setName("level");
    map_->removeFromLegend();
    // Under the grid and the curves (the -6 dB lines) drawn on it.
    map_->setLayer("background");
    // The colour scale inside the plot's top right corner (the region
    // behind the baffle, white), the legend in its top left one: nothing
    // but text and pictures outside the plot.
    mapScale_ = new QCPColorScale(graph_);
    mapScale_->setType(QCPAxis::atRight);
    mapScale_->setBarWidth(10);
    mapScale_->axis()->setLabel("dB");
    mapScale_->axis()->setLabelFont(ArialPixels(12));
    mapScale_->axis()->setTickLabelFont(ArialPixels(11));
    graph_->axisRect()->insetLayout()->addElement(mapScale_, QRectF(0.85, 0.02, 0.14, 0.2));
    graph_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignLeft | Qt::AlignTop);
    map_->setColorScale(mapScale_);
    // The scale hands its gradient to the map: set on the scale.
    mapScale_->setGradient(gradient);
    graph_->yAxis2->setVisible(false);
}

void TPlotForm::RefreshColourMap() {
    if (!map_) return;
    const TLevelMap& m = record_.Map;
    const int nf = static_cast<int>(m.Freq.size());
    const int na = static_cast<int>(m.AnglesDeg.size());
    QCPColorMapData* data = map_->data();
    if (nf < 2 || na < 2 || m.LevelsDb.size() < m.Freq.size() * m.AnglesDeg.size()) {
        data->clear();
        return;
    }
    if (data->keySize() != nf || data->valueSize() != na) data->setSize(nf, na);
    data->setRange(QCPRange(m.Freq.front(), m.Freq.back()), QCPRange(m.AnglesDeg.front(), m.AnglesDeg.back()));
    double top = -std::numeric_limits<double>::infinity();
    for (int a = 0; a < na; ++a)
        for (int k = 0; k < nf; ++k) {
            const double level = m.LevelsDb[static_cast<std::size_t>(a) * m.Freq.size() + static_cast<std::size_t>(k)];
            data->setCell(k, a, level);
            if (std::isfinite(level)) top = std::max(top, level);
        }
    // Relative levels from -30 dB; absolute ones 40 dB below the loudest,
    // on whole 5 dB.
    QCPRange range(-30.0, 3.0);
    if (!record_.Directional.Normalised && std::isfinite(top)) {
        const double upper = 5.0 * std::ceil(top / 5.0);
        range = QCPRange(upper - 40.0, upper);
    }
    map_->setDataRange(range);
}

// ---------------------------------------------------------------------------
// Curves

QCPGraph* TPlotForm::MagGraph(int i) const {
    return i >= 0 && static_cast<std::size_t>(i) < series_.size() ? series_[static_cast<std::size_t>(i)].Mag : nullptr;
}

QCPGraph* TPlotForm::PhaseGraph(int i) const {
    return i >= 0 && static_cast<std::size_t>(i) < series_.size() ? series_[static_cast<std::size_t>(i)].Phase
                                                                  : nullptr;
}

void TPlotForm::SyncSeries() {
    const std::size_t n = record_.Curves.size();
    if (series_.size() != n) layoutChanged_ = true;
    while (series_.size() > n) {
        graph_->removeGraph(series_.back().Mag);
        graph_->removeGraph(series_.back().Phase);
        series_.pop_back();
    }
    while (series_.size() < n) {
        TCurveGraphs s;
        s.Mag = AddChartLine(graph_, graph_->xAxis, graph_->yAxis);
        s.Phase = AddChartLine(graph_, graph_->xAxis, graph_->yAxis2);
        s.Mag->setAdaptiveSampling(true);
        // A dotted line of one pixel looks the same without antialiasing and
        // takes the raster engine's fast path.
        s.Phase->setAntialiased(false);
        series_.push_back(s);
    }
    for (std::size_t i = 0; i < n; ++i) StyleCurve(i);
}

void TPlotForm::StyleCurve(std::size_t i) {
    TCurveGraphs& s = series_[i];
    const TSeriesDef& c = record_.Curves[i];
    const bool phaseShown = c.ShowPhase && KindHasPhase(record_.Kind);
    if (s.Styled && s.Name == c.Name && s.Colour == c.ColourIndex && s.PhaseShown == phaseShown) return;
    layoutChanged_ = true;  // the legend changes
    const QColor colour = Palette(c.ColourIndex);
    // Curves of thousands of points (time responses) are drawn thin.
    const int width = GraphKindDescriptor(record_.Kind).ThinLines ? 1 : 2;
    s.Mag->setPen(QPen(colour, width, Qt::SolidLine));
    // Dotted lines are one pixel wide: real dots, and far cheaper to draw.
    s.Phase->setPen(QPen(colour, 1, Qt::DotLine));
    const QString name = c.Name == SystemCurveName ? QString("Sys") : QString::fromStdString(c.Name);
    s.Mag->setName(name);
    s.Phase->setName(name + DegreeSign);
    s.Mag->setValueAxis(c.RightAxis ? graph_->yAxis2 : graph_->yAxis);
    ShowInLegend(graph_, s.Mag, true);
    // A curve without a name (the second of a pair of lines) is not listed.
    if (c.Name.empty()) s.Mag->removeFromLegend();
    ShowInLegend(graph_, s.Phase, phaseShown);
    s.Name = c.Name;
    s.Colour = c.ColourIndex;
    s.PhaseShown = phaseShown;
    s.Styled = true;
}

void TPlotForm::SetGuideCurves(const std::vector<TGuideCurve>& curves) {
    while (guides_.size() > curves.size()) {
        graph_->removeGraph(guides_.back());
        guides_.pop_back();
    }
    while (guides_.size() < curves.size()) guides_.push_back(graph_->addGraph(graph_->xAxis, graph_->yAxis));
    for (std::size_t i = 0; i < curves.size(); ++i) {
        QCPGraph* g = guides_[i];
        g->setPen(QPen(Palette(curves[i].ColourIndex), 2, Qt::DashLine));
        g->setName(curves[i].Name);
        SetGraphPoints(g, curves[i].Points);
        ShowInLegend(graph_, g, true);
    }
    layoutChanged_ = true;
    Replot();
}

void TPlotForm::RefreshCurveStyles() {
    SyncSeries();
    Replot();
}

void TPlotForm::RefreshCurves() {
    SyncSeries();
    for (std::size_t i = 0; i < series_.size(); ++i) {
        const TSeriesDef& c = record_.Curves[i];
        SetGraphPoints(series_[i].Mag, c.MagSeries);
        SetPhasePoints(series_[i].Phase, c.PhaseSeries);
    }
    RefreshColourMap();
    // The directional windows' line under the chart (the preference score).
    if (GraphKindDescriptor(record_.Kind).CurveSet) {
        const QString foot = record_.Note.empty() ? QString("Pelmo") : QString::fromStdString(record_.Note);
        if (foot_->text() != foot) {
            foot_->setText(foot);
            layoutChanged_ = true;
        }
    }
    overlays_->UpdateHoldButton();
    if (toleranceBand_) toleranceBand_->CurvesRefreshed();
    if (zoom_->AfterRefresh()) layoutChanged_ = true;
}

void TPlotForm::Replot(bool immediate) {
    layoutChanged_ = false;
    ShowLegendWhenFilled(graph_);
    graph_->replot(immediate ? QCustomPlot::rpImmediateRefresh : QCustomPlot::rpQueuedReplot);
}

namespace {

// The steps of QCPLayer::replot, which QCustomPlot keeps to itself: the
// layer's buffer, the drawing into it, whether every buffer is current.
struct LayerSteps : QCPLayer {
    static QSharedPointer<QCPAbstractPaintBuffer> Buffer(QCPLayer* layer) {
        return (layer->*(&LayerSteps::mPaintBuffer)).toStrongRef();
    }
    static void DrawToBuffer(QCPLayer* layer) { (layer->*(&LayerSteps::drawToPaintBuffer))(); }
};
struct PlotSteps : QCustomPlot {
    static bool BuffersCurrent(QCustomPlot* plot) { return !(plot->*(&PlotSteps::hasInvalidatedPaintBuffers))(); }
};

}  // namespace

bool TPlotForm::BeginCurveLayer(bool immediate) {
    // After a solve usually only the points have changed: the curves' own
    // layer is drawn again over the kept grid, axes, title and legend.
    QCPLayer* main = graph_->layer("main");
    // A colour map lies under the grid, outside the curves' layer.
    if (map_ || layoutChanged_ || main->mode() != QCPLayer::lmBuffered || !PlotSteps::BuffersCurrent(graph_) ||
        !LayerSteps::Buffer(main)) {
        Replot(immediate);
        return false;
    }
    return true;
}

void TPlotForm::DrawCurveLayer() {
    QCPLayer* main = graph_->layer("main");
    if (const QSharedPointer<QCPAbstractPaintBuffer> buffer = LayerSteps::Buffer(main)) {
        buffer->clear(Qt::transparent);
        LayerSteps::DrawToBuffer(main);
    }
}

std::size_t TPlotForm::CurveLayerPoints() const {
    std::size_t points = 0;
    for (int i = 0; i < graph_->graphCount(); ++i)
        if (const QCPGraph* g = graph_->graph(i); g->visible()) points += static_cast<std::size_t>(g->dataCount());
    return points;
}

void TPlotForm::FinishCurveLayer(bool immediate) {
    if (const QSharedPointer<QCPAbstractPaintBuffer> buffer = LayerSteps::Buffer(graph_->layer("main")))
        buffer->setInvalidated(false);
    graph_->update();
    if (immediate) graph_->repaint();
}

void TPlotForm::RequestSolve() { owner_.RequestSolve(); }

void TPlotForm::SetCurveChecks() {
    for (std::size_t i = 0; i < curveItems_.size() && i < curveSubjects_.size(); ++i)
        curveItems_[i]->setChecked(FindCurve(record_, curveSubjects_[i]) >= 0);
}

void TPlotForm::RebuildCurveMenu() {
    const TCurveMenuLayout layout = CurveMenuLayout(record_.Kind, owner_.Design());
    // Every solve rebuilds the menus; when the design offers the same
    // curves as last time, the items are kept and only their checks renewed.
    if (!menuBuilt_ || layout.Items != lastLayout_.Items || layout.SeparatorBefore != lastLayout_.SeparatorBefore ||
        layout.ExportItems != lastLayout_.ExportItems)
        MakeCurveItems(layout);
    lastLayout_ = layout;
    menuBuilt_ = true;
    SetCurveChecks();
    exportSystemFrd_->setVisible(layout.ExportSystemFrd);
    exportSystemZma_->setVisible(layout.ExportSystemZma);
    exportFrd_->setVisible(layout.ExportFrd);

    if (record_.AutoSystemCurve && KindHasSystemCurve(record_.Kind)) CurveItemClick(TCurveSubject{}, true);
    overlays_->UpdateHoldButton();
    owner_.RebuildGraphToFront();
}

void TPlotForm::MakeCurveItems(const TCurveMenuLayout& layout) {
    for (QAction* a : madeItems_) {
        curvesMenu_->removeAction(a);
        a->deleteLater();  // the action may be the one whose click runs this
    }
    madeItems_.clear();
    curveItems_.clear();
    curveSubjects_.clear();
    for (QAction* a : exportItems_) {
        exportFrdMenu_->removeAction(a);
        a->deleteLater();
    }
    exportItems_.clear();
    for (QAction* a : {exportSystemFrd_, exportSystemZma_, exportFrd_}) a->setVisible(false);

    auto addSeparator = [this] { madeItems_.push_back(curvesMenu_->addSeparator()); };
    for (std::size_t i = 0; i < layout.Items.size(); ++i) {
        if (static_cast<int>(i) == layout.SeparatorBefore) addSeparator();
        const TCurveSubject subject = layout.Subjects[i];
        QAction* a = curvesMenu_->addAction(QString::fromStdString(layout.Items[i]));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, subject] { CurveItemClick(subject, false); });
        curveItems_.push_back(a);
        curveSubjects_.push_back(subject);
        madeItems_.push_back(a);
    }
    if (layout.SeparatorBefore == static_cast<int>(layout.Items.size())) addSeparator();
    for (std::size_t i = 0; i < layout.ExportItems.size(); ++i) {
        const TCurveSubject driver = layout.ExportSubjects[i];
        exportItems_.push_back(exportFrdMenu_->addAction(QString::fromStdString(layout.ExportItems[i]), this,
                                                         [this, driver] { ExportDriverClick(driver); }));
    }
}

void TPlotForm::CurveItemClick(const QString& caption, bool automatic) {
    const std::optional<TCurveSubject> subject = ParseCurveCaption(CurveNameFromCaption(caption.toStdString()));
    if (subject) CurveItemClick(*subject, automatic);
}

void TPlotForm::CurveItemClick(const TCurveSubject& subject, bool automatic) {
    const TCurveChoice choice = ChooseCurve(record_, owner_.Design(), subject, automatic);
    RefreshCurves();
    SetCurveChecks();
    // A new curve is solved at once when a dialog follows (it shows meanwhile)
    // or nothing else will solve; a user's quiet curve gets the solve below.
    if (choice.Added && (automatic || choice.ShowDialog)) RequestSolve();

    if (choice.ShowDialog) {
        TSeriesEditForm& dialog = owner_.SeriesEdit();
        dialog.GraphKind = record_.Kind;
        dialog.Window = this;
        dialog.CurveIndex = choice.Index;
        dialog.FileMode = false;
        dialog.CurveName = QString::fromStdString(record_.Curves[static_cast<std::size_t>(choice.Index)].Name);
        dialog.Prepare();
        const QPoint corner = frameGeometry().topLeft();
        dialog.move(choice.DialogAtTopLeft ? corner : corner + QPoint(0, 8));
        if (ExecModal(dialog) == TSeriesEditForm::ResultRemove) {
            RemoveCurveAt(choice.Index);
        } else {
            ConfirmCurve(record_, choice.Index, choice.DriverOnlyItem);
            RefreshCurveStyles();
        }
    }
    if (!automatic) RequestSolve();
    SetCurveChecks();
    overlays_->UpdateHoldButton();
    Replot();
}

void TPlotForm::DirectionalViewChanged() {
    // Off-axis curves follow the angles; the other sets keep their curves.
    if (record_.Kind == TGraphKind::OffAxis) RenewCurveSet(record_, owner_.Design());
    RefreshCurves();
    RequestSolve();
    Replot();
}

void TPlotForm::RemoveCurveAt(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= record_.Curves.size()) return;
    RemoveCurve(record_, static_cast<std::size_t>(index));
    RefreshCurves();
    RebuildCurveMenu();
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

// ---------------------------------------------------------------------------
// Window

void TPlotForm::closeEvent(QCloseEvent* event) {
    readout_->Hide();
    QMainWindow::closeEvent(event);
    // Out of the lists at once; the window itself goes at the next turn of
    // the event loop.
    if (event->isAccepted()) owner_.WindowClosing(this);
}

bool TPlotForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == graph_ && event->type() == QEvent::Leave) readout_->Hide();
    return QMainWindow::eventFilter(watched, event);
}

void TPlotForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    PlaceOverlays();
}

void TPlotForm::PlaceOverlays() {
    if (!overlays_ || !readout_) return;
    overlays_->Place();
    readout_->Place();
}

}  // namespace pelmo
