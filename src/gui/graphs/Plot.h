#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphs/GraphCurves.h"
#include "graphs/GraphKinds.h"
#include "graphs/GraphReadout.h"
#include "graphs/GraphRecord.h"

class QCustomPlot;
class QCPGraph;
class QCPTextElement;
class QCPColorMap;
class QCPColorScale;
class QAction;
class QMenu;

// A graph window: one chart of one kind of result. The window owns its
// graph record (kind, scales, curve definitions with their points), which
// the solve fills; the window only draws it. Its menus choose curves, set
// scales and export curves; the pointer shows a readout; "Hold" freezes the
// System curve and "Get File" overlays a measurement file.

namespace pelmo {

class TGraphWindows;
class TToleranceView;
class TPlotOverlays;
class TPlotReadout;
class TPlotScales;
class TPlotZoom;
class TPlotLegend;

class TPlotForm : public QMainWindow {
    Q_OBJECT
public:
    TPlotForm(TGraphWindows& owner, TGraphKind kind);
    ~TPlotForm() override;

    TGraphRecord& Record() { return record_; }
    const TGraphRecord& Record() const { return record_; }
    TGraphKind Kind() const { return record_.Kind; }
    QCustomPlot* Graph() const { return graph_; }
    QString ChartTitle() const;

    // Title, axes, menus of the kind; `windowNumber` is the number in the title.
    void FirstSetup(int windowNumber);
    // The left axis from the per-division settings (SPL, filter, impedance,
    // voltage, current, power); no solve.
    void ApplyScale();

    // ---- curves ----
    void RebuildCurveMenu();
    // A Curves-menu choice; `automatic` for the System curve a new window
    // adds by itself.
    void CurveItemClick(const TCurveSubject& subject, bool automatic);
    // The same by the item's caption ("S1 (driver only)").
    void CurveItemClick(const QString& caption, bool automatic);
    void RemoveCurveAt(int index);
    // Takes the curves from the record: chart curves made or destroyed to
    // match, styles where they changed, points replaced in place.
    void RefreshCurves();
    // Colours, widths, phase visibility and legend from the record.
    void RefreshCurveStyles();
    void Replot(bool immediate = false);
    // The redraw after a solve, only the curves when nothing else changed, in
    // three steps so that the curves of several windows can be drawn on
    // several threads: BeginCurveLayer (GUI thread) says whether
    // only the curves' layer is to be drawn again; if so DrawCurveLayer
    // draws it into its own buffer (any one thread, touching nothing but
    // this window's curves and buffer) and FinishCurveLayer (GUI thread)
    // shows it. If not, BeginCurveLayer has replotted the whole chart.
    bool BeginCurveLayer(bool immediate = false);
    void DrawCurveLayer();
    void FinishCurveLayer(bool immediate = false);
    // The points of the visible curves, a measure of DrawCurveLayer's work.
    std::size_t CurveLayerPoints() const;
    // A solve on behalf of this window (through the owner).
    void RequestSolve();

    // ---- guide curves ----
    // Curves drawn for reference beside the record's (the optimizer's
    // targets): dashed, listed in the legend, never solved or exported.
    struct TGuideCurve {
        QString Name;
        TChartCurve Points;
        int ColourIndex = 0;
    };
    void SetGuideCurves(const std::vector<TGuideCurve>& curves);
    const std::vector<QCPGraph*>& GuideGraphs() const { return guides_; }

    // ---- the window's parts ----
    TPlotReadout& PointerReadout() { return *readout_; }
    TPlotOverlays& Overlays() { return *overlays_; }
    TPlotScales& Scales() { return *scales_; }
    TPlotZoom& Zoom() { return *zoom_; }
    TPlotLegend& Legend() { return *legend_; }
    TGraphWindows& Owner() { return owner_; }

    // ---- export ----
    void ExportSystemClick(bool zma);
    void ExportDriverClick(const TCurveSubject& driver);

    // ---- for the owner and for tests ----
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* CurvesMenu() const { return curvesMenu_; }
    QMenu* ExportFrdMenu() const { return exportFrdMenu_; }
    QAction* GetFileAction() const { return getFile_; }
    QAction* ExportSystemFrdAction() const { return exportSystemFrd_; }
    QAction* ExportSystemZmaAction() const { return exportSystemZma_; }
    QAction* ExportFrdAction() const { return exportFrd_; }
    // The curve items of the Curves menu, in order.
    const std::vector<QAction*>& CurveItems() const { return curveItems_; }
    // Checks the curve items whose curves the window shows.
    void SetCurveChecks();
    QCPGraph* MagGraph(int i) const;
    QCPGraph* PhaseGraph(int i) const;
    QCPTextElement* TitleElement() const { return title_; }
    // The Curves menu's "Tolerance" band (SPL and impedance windows; else null).
    TToleranceView* ToleranceBand() const { return toleranceBand_; }
    // The polar map's colour map and its scale (null in other windows).
    QCPColorMap* ColourMap() const { return map_; }
    QCPColorScale* ColourScale() const { return mapScale_; }
    QCPTextElement* FootElement() const { return foot_; }
    // A directional window's view changed: its set of curves made again and
    // solved.
    void DirectionalViewChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One curve's two chart curves and the style last given to them.
    struct TCurveGraphs {
        QCPGraph* Mag = nullptr;
        QCPGraph* Phase = nullptr;
        std::string Name;
        int Colour = -1000;
        bool PhaseShown = false;
        bool Styled = false;
    };

    void BuildChart();
    void BuildMenus();
    void MakeCurveItems(const TCurveMenuLayout& layout);
    void SyncSeries();
    void StyleCurve(std::size_t i);
    void PlaceOverlays();
    void ExportCurve(int index, bool zma);
    void BuildColourMap();
    void RefreshColourMap();

    TGraphWindows& owner_;
    TGraphRecord record_;
    QCustomPlot* graph_ = nullptr;
    QCPTextElement* title_ = nullptr;
    QCPTextElement* foot_ = nullptr;
    std::vector<TCurveGraphs> series_;
    std::vector<QCPGraph*> guides_;
    bool layoutChanged_ = true;  // curves, styles or legend changed since the last full replot

    QMenu* fileMenu_ = nullptr;
    QMenu* curvesMenu_ = nullptr;
    QMenu* exportFrdMenu_ = nullptr;
    QAction* getFile_ = nullptr;
    QAction* exportSystemFrd_ = nullptr;
    QAction* exportSystemZma_ = nullptr;
    QAction* exportFrd_ = nullptr;
    std::vector<QAction*> curveItems_;
    std::vector<TCurveSubject> curveSubjects_;  // of curveItems_
    std::vector<QAction*> madeItems_;           // curve items and separators of the last rebuild
    std::vector<QAction*> exportItems_;
    TCurveMenuLayout lastLayout_;
    bool menuBuilt_ = false;

    std::unique_ptr<TPlotReadout> readout_;
    std::unique_ptr<TPlotOverlays> overlays_;
    std::unique_ptr<TPlotScales> scales_;
    TPlotZoom* zoom_ = nullptr;      // a child of the window
    TPlotLegend* legend_ = nullptr;  // a child of the window

    TToleranceView* toleranceBand_ = nullptr;  // a child of the window
    QCPColorMap* map_ = nullptr;
    QCPColorScale* mapScale_ = nullptr;
};

// Replaces a chart line's points by the curve's, in place when the count is
// unchanged (the usual case from one solve to the next).
void SetGraphPoints(QCPGraph* g, const TChartCurve& c);
// The same for a phase curve, with a gap (a NaN point, where the chart
// breaks its line) between two neighbours more than 180 degrees apart.
void SetPhasePoints(QCPGraph* g, const TChartCurve& c);
// Shows or hides a chart line together with its legend entry.
void ShowInLegend(QCustomPlot* plot, QCPGraph* g, bool visible);
// Shows the legend exactly when it lists a curve.
void ShowLegendWhenFilled(QCustomPlot* plot);

}  // namespace pelmo
