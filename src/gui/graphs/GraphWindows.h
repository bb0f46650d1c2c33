#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "graphs/GraphRecord.h"
#include "graphs/GraphSolve.h"
#include "graphs/WindowLayout.h"
#include "model/GraphKind.h"

class QMenu;
class QPrinter;
class QRect;
class QWidget;

// The open graph windows of the run, in opening order, with everything they
// share: the graph list the solve fills, the solve context, the per-kind
// window counters, the curve settings dialog and the caption. The main
// window owns one; tests and benchmarks make their own around a design.

namespace pelmo {

class MessageSink;
class TPlotForm;
class TSeriesEditForm;
struct TDesign;
struct TPart;
struct TDriver;

class TGraphWindows : public QObject {
    Q_OBJECT
public:
    // `mainWindow` places the default windows beside it (may be null). The
    // first form keeps its own graph list and solve; the second uses the
    // main window's.
    TGraphWindows(TDesign& design, MessageSink& messages, QWidget* mainWindow = nullptr);
    TGraphWindows(TDesign& design, MessageSink& messages, TGraphList& list, TGraphSolve& solve,
                  QWidget* mainWindow = nullptr);
    ~TGraphWindows() override;

    TDesign& Design() { return design_; }
    MessageSink& Messages() { return messages_; }
    TGraphList& List() { return list_; }
    TGraphSolve& Solve() { return solve_; }
    const std::vector<TPlotForm*>& Windows() const { return windows_; }
    TSeriesEditForm& SeriesEdit();

    // A new window of the kind, as the "AddGraph" menu opens it.
    TPlotForm* OpenGraph(TGraphKind kind);
    // Closes every window and opens the SPL and impedance windows beside the
    // main window, numbering from 1 again.
    void OpenDefaultGraphs();
    // Closes every window, newest first.
    void CloseAll();
    void ResetCounters() { counters_.fill(0); }

    // The open windows as a design keeps them: kind, curves, scales, the
    // axes' ranges, the legend's place and the geometry, in opening order.
    std::vector<TWindowLayout> Layout() const;
    // Closes every window and opens these instead, each as it was kept
    // (geometry moved onto this screen). Nothing happens, and false comes
    // back, for an empty list. Solves when `solve`.
    bool RestoreLayout(const std::vector<TWindowLayout>& layout, bool solve = true);
    // "Window > Tile": every window into one grid beside the main window.
    void Tile();
    // Where windows may go: the free area of the main window's screen.
    QRect ScreenArea() const;

    // Every window carries the main window's caption.
    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }

    // A solve asked for by a window or dialog: through SolveHook when the
    // main window routes its solves, else SolveNow. Ignored while a solve runs.
    void RequestSolve();
    // The solve itself, then every window redraws (painted before returning
    // when `immediate`).
    void SolveNow(bool immediate = false);
    // Every window takes its curves from its record and redraws; immediately
    // (painted before returning) or at the next turn of the event loop.
    void RedrawAll(bool immediate = false);
    // Empties every curve (its definition stays) and redraws: what the
    // windows showed belongs to a design that is no longer drawn.
    void ClearCurvePoints();
    // Before every solve: curves of elements that are gone are bound again
    // or dropped, then every window rebuilds its Curves menu (a new window
    // adds its System curve there). Asks for no solve itself.
    void PrepareForSolve();

    // A part or driver is being deleted: its curves leave every window.
    void RemoveCurvesOf(const std::string& designator, bool driver);

    // The main window's "AddGraph" menu and "GraphToFront" menu.
    void FillAddGraphMenu(QMenu* menu);
    void SetGraphToFrontMenu(QMenu* menu);
    void RebuildGraphToFront();

    // Set by the main window: runs its solve (which ends in SolveNow or in
    // PrepareForSolve and SolveGraphs followed by RedrawAll).
    std::function<void()> SolveHook;
    // File dialogs (tests replace them): the chosen path, empty when cancelled.
    std::function<QString(QWidget* parent, const QString& title, const QString& filter, const QString& suffix)>
        ChooseOpenFile;
    std::function<QString(QWidget* parent, const QString& title, const QString& filter, const QString& suffix)>
        ChooseSaveFile;
    // The print dialog of the windows' "Print": false when cancelled.
    std::function<bool(QWidget* parent, QPrinter& printer)> ChoosePrinter;

    // Called by a window that closes.
    void WindowClosing(TPlotForm* w);

signals:
    // A window was opened or closed.
    void WindowsChanged();

private:
    void Init();
    TPlotForm* CreateWindow(TGraphKind kind, const TWindowLayout* layout = nullptr);
    // A new window where it fits beside the main window and the others.
    void PlaceNew(TPlotForm* w);
    // The window's frame onto `frame` (outer rectangle), inside the screen.
    void SetFrame(TPlotForm* w, const TWindowRect& frame);
    void Forget(TPlotForm* w);

    TDesign& design_;
    MessageSink& messages_;
    QPointer<QWidget> mainWindow_;
    std::unique_ptr<TGraphList> ownList_;
    std::unique_ptr<TGraphSolve> ownSolve_;
    TGraphList& list_;
    TGraphSolve& solve_;
    std::vector<TPlotForm*> windows_;
    // Windows closed by the user: each goes at the next turn of the event
    // loop, unless this object goes first and takes it along.
    std::vector<QPointer<QObject>> closed_;
    std::array<int, GraphKindCount> counters_{};
    QString caption_ = "Pelmo";
    std::unique_ptr<TSeriesEditForm> seriesEdit_;
    QPointer<QMenu> graphToFront_;
    std::vector<std::pair<const TPlotForm*, QString>> graphToFrontItems_;
    bool holdSolves_ = false;
};

}  // namespace pelmo
