#include "gui/graphs/GraphWindows.h"

#include <qcustomplot.h>

#include <QFileDialog>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <utility>

#include "base/MessageSink.h"
#include "base/WorkerPool.h"
#include "graphs/GraphCurves.h"
#include "graphs/GraphKinds.h"
#include "gui/graphs/Plot.h"
#include "gui/graphs/PlotLegend.h"
#include "gui/graphs/PlotZoom.h"
#include "gui/graphs/SeriesEdit.h"
#include "gui/pictures/PictureDialogs.h"
#include "model/Design.h"

namespace pelmo {

namespace {
QString FileDialog(QWidget* parent, const QString& title, const QString& filter, const QString& suffix, bool save) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setDefaultSuffix(suffix);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

TWindowRect ToRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// The window frame's widths around the inside (none before the window
// system has framed it).
QMargins FrameMargins(const QWidget* w) {
    const QRect in = w->geometry(), out = w->frameGeometry();
    return {in.left() - out.left(), in.top() - out.top(), out.right() - in.right(), out.bottom() - in.bottom()};
}

// The same for a window not shown yet: as the others (or the main window)
// are framed.
QMargins FrameMargins(const QWidget* w, const std::vector<TPlotForm*>& others, const QWidget* mainWindow) {
    if (w->isVisible()) return FrameMargins(w);
    for (const TPlotForm* o : others)
        if (o != w && o->isVisible()) return FrameMargins(o);
    return mainWindow && mainWindow->isVisible() ? FrameMargins(mainWindow) : QMargins();
}
}  // namespace

TGraphWindows::TGraphWindows(TDesign& design, MessageSink& messages, QWidget* mainWindow)
    : design_(design),
      messages_(messages),
      mainWindow_(mainWindow),
      ownList_(std::make_unique<TGraphList>()),
      ownSolve_(std::make_unique<TGraphSolve>()),
      list_(*ownList_),
      solve_(*ownSolve_) {
    Init();
}

TGraphWindows::TGraphWindows(TDesign& design, MessageSink& messages, TGraphList& list, TGraphSolve& solve,
                             QWidget* mainWindow)
    : design_(design), messages_(messages), mainWindow_(mainWindow), list_(list), solve_(solve) {
    Init();
}

void TGraphWindows::Init() {
    ChooseOpenFile = [](QWidget* parent, const QString& title, const QString& filter, const QString& suffix) {
        return FileDialog(parent, title, filter, suffix, false);
    };
    ChooseSaveFile = [](QWidget* parent, const QString& title, const QString& filter, const QString& suffix) {
        return FileDialog(parent, title, filter, suffix, true);
    };
    ChoosePrinter = ChoosePrinterDialog;
}

TGraphWindows::~TGraphWindows() {
    // Newest first, without their close handling.
    while (!windows_.empty()) delete windows_.back();
    // A window closed a moment ago must not outlive this object: its
    // destructor reports to it.
    for (const QPointer<QObject>& w : closed_) delete w.data();
}

TSeriesEditForm& TGraphWindows::SeriesEdit() {
    if (!seriesEdit_) seriesEdit_ = std::make_unique<TSeriesEditForm>();
    return *seriesEdit_;
}

TPlotForm* TGraphWindows::CreateWindow(TGraphKind kind, const TWindowLayout* layout) {
    auto* w = new TPlotForm(*this, kind);
    // Placed among the others before it joins them.
    PlaceNew(w);
    windows_.push_back(w);
    list_.Add(&w->Record());
    int& counter = counters_[static_cast<std::size_t>(kind) % counters_.size()];
    int number = ++counter;
    if (layout) {
        ApplyLayoutScales(*layout, w->Record());
        if (layout->WindowNumber > 0) {
            number = layout->WindowNumber;
            counter = std::max(counter, number);
        }
    }
    w->FirstSetup(number);
    if (layout) ApplyLayoutCurves(*layout, w->Record(), design_);
    w->ApplyScale();
    w->Legend().Apply();
    w->setWindowTitle(caption_);
    return w;
}

QRect TGraphWindows::ScreenArea() const {
    QScreen* screen = mainWindow_ ? mainWindow_->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void TGraphWindows::PlaceNew(TPlotForm* w) {
    const TWindowRect area = ToRect(ScreenArea());
    // Without a main window the windows fill the screen from its left.
    const TWindowRect main = mainWindow_ ? ToRect(mainWindow_->frameGeometry()) : TWindowRect{area.X, area.Y, 0, 0};
    std::vector<TWindowRect> taken;
    for (const TPlotForm* other : windows_) taken.push_back(ToRect(other->frameGeometry()));
    // A frame like the others' (the new window has none yet).
    const QMargins frame = FrameMargins(w, windows_, mainWindow_);
    const TWindowRect r = PlaceNewWindow(w->width() + frame.left() + frame.right(),
                                         w->height() + frame.top() + frame.bottom(), main, area, taken);
    SetFrame(w, r);
}

void TGraphWindows::SetFrame(TPlotForm* w, const TWindowRect& frame) {
    const TWindowRect area = ToRect(ScreenArea());
    const TWindowRect r = ClampOntoArea(frame, area);
    const QMargins m = FrameMargins(w, windows_, mainWindow_);
    // The window's least size is known once its layout has run.
    if (w->layout()) w->layout()->activate();
    w->resize(std::max(100, r.W - m.left() - m.right()), std::max(100, r.H - m.top() - m.bottom()));
    // A window that cannot be as small as asked stays on the screen all the
    // same.
    const TWindowRect placed =
        ClampOntoArea({r.X, r.Y, w->width() + m.left() + m.right(), w->height() + m.top() + m.bottom()}, area);
    w->move(placed.X, placed.Y);
}

std::vector<TWindowLayout> TGraphWindows::Layout() const {
    std::vector<TWindowLayout> out;
    for (const TPlotForm* w : windows_) {
        TWindowLayout l = WindowLayoutOf(w->Record());
        const QCPRange x = w->Graph()->xAxis->range(), y = w->Graph()->yAxis->range();
        l.Bottom = TAxisSpan{x.lower, x.upper};
        l.Left = TAxisSpan{y.lower, y.upper};
        l.Geometry = TWindowRect{w->x(), w->y(), w->width(), w->height()};
        out.push_back(std::move(l));
    }
    return out;
}

bool TGraphWindows::RestoreLayout(const std::vector<TWindowLayout>& layout, bool solve) {
    if (layout.empty()) return false;
    CloseAll();
    ResetCounters();
    holdSolves_ = true;
    for (const TWindowLayout& l : layout) {
        TPlotForm* w = CreateWindow(l.Kind, &l);
        // They open with the main window and must not take the keyboard
        // from it.
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        w->show();
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
        if (l.Geometry) {
            // Kept as the frame's corner and the inside's size.
            const QMargins m = FrameMargins(w);
            SetFrame(w, {l.Geometry->X, l.Geometry->Y, l.Geometry->W + m.left() + m.right(),
                         l.Geometry->H + m.top() + m.bottom()});
        }
        w->Zoom().SetRanges(l.Bottom, l.Left);
    }
    for (TPlotForm* w : windows_) w->RebuildCurveMenu();
    holdSolves_ = false;
    if (solve) RequestSolve();
    for (TPlotForm* w : windows_) w->RefreshCurves();
    RebuildGraphToFront();
    emit WindowsChanged();
    return true;
}

void TGraphWindows::Tile() {
    if (windows_.empty()) return;
    const TWindowRect area = ToRect(ScreenArea());
    const TWindowRect main = mainWindow_ ? ToRect(mainWindow_->frameGeometry()) : TWindowRect{area.X, area.Y, 0, 0};
    const std::vector<TWindowRect> cells = TileWindows(static_cast<int>(windows_.size()), main, area);
    for (std::size_t i = 0; i < windows_.size() && i < cells.size(); ++i) {
        windows_[i]->showNormal();
        SetFrame(windows_[i], cells[i]);
    }
}

TPlotForm* TGraphWindows::OpenGraph(TGraphKind kind) {
    TPlotForm* w = CreateWindow(kind);
    w->show();
    w->RebuildCurveMenu();  // adds the System curve at once where the kind has one, and solves
    w->RefreshCurves();
    w->Replot();
    RebuildGraphToFront();
    emit WindowsChanged();
    return w;
}

void TGraphWindows::OpenDefaultGraphs() {
    CloseAll();
    ResetCounters();
    holdSolves_ = true;
    TPlotForm* spl = CreateWindow(TGraphKind::SPL);
    TPlotForm* z = CreateWindow(TGraphKind::Impedance);
    // Shown first: the frames are known only then. They open with the main
    // window and must not take the keyboard from it (T over the sheet).
    for (TPlotForm* w : {spl, z}) {
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        w->show();
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    if (mainWindow_) {
        const QRect main = mainWindow_->frameGeometry();
        for (TPlotForm* w : {spl, z}) {
            const QMargins frame(w->geometry().left() - w->frameGeometry().left(),
                                 w->geometry().top() - w->frameGeometry().top(),
                                 w->frameGeometry().right() - w->geometry().right(),
                                 w->frameGeometry().bottom() - w->geometry().bottom());
            w->resize(std::max(100, main.width() - frame.left() - frame.right()),
                      std::max(100, main.height() / 2 - frame.top() - frame.bottom()));
        }
        spl->move(main.right() + 1, main.top());
        z->move(main.right() + 1, main.top() + main.height() / 2);
    }
    for (TPlotForm* w : {spl, z}) w->RebuildCurveMenu();
    holdSolves_ = false;
    RequestSolve();
    for (TPlotForm* w : {spl, z}) w->RefreshCurves();
    RebuildGraphToFront();
    emit WindowsChanged();
}

void TGraphWindows::CloseAll() {
    // Each window forgets itself as it goes.
    while (!windows_.empty()) delete windows_.back();
}

void TGraphWindows::SetCaption(const QString& caption) {
    caption_ = caption;
    for (TPlotForm* w : windows_) w->setWindowTitle(caption);
}

void TGraphWindows::RequestSolve() {
    if (solve_.Running || holdSolves_) return;
    if (SolveHook)
        SolveHook();
    else
        SolveNow();
}

void TGraphWindows::SolveNow(bool immediate) {
    if (solve_.Running) return;
    PrepareForSolve();
    SolveGraphs(design_, list_, solve_, messages_);
    RedrawAll(immediate);
}

void TGraphWindows::RedrawAll(bool immediate) {
    if (solve_.Running) return;
    // The windows' curve layers are drawn side by side on the worker pool
    // (each window by one thread, into its own buffer); what needs the whole
    // chart replotted is done here first.
    std::vector<std::pair<std::size_t, TPlotForm*>> layers;  // (points, window)
    for (TPlotForm* w : windows_) {
        w->RefreshCurves();
        if (w->BeginCurveLayer(immediate)) layers.emplace_back(w->CurveLayerPoints(), w);
    }
    // The busiest first, each thread taking the next window when done with one.
    std::stable_sort(layers.begin(), layers.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::atomic<std::size_t> next{0};
    const auto draw = [&layers, &next](std::size_t, std::size_t) {
        for (std::size_t i; (i = next++) < layers.size();) layers[i].second->DrawCurveLayer();
    };
    TWorkerPool& pool = TWorkerPool::Shared();
    if (layers.size() > 1)
        pool.ForRanges(static_cast<std::size_t>(pool.Parts()), 1, draw);
    else
        draw(0, 0);
    for (const auto& [points, w] : layers) w->FinishCurveLayer(immediate);
}

void TGraphWindows::ClearCurvePoints() {
    for (TGraphRecord* r : list_.Windows)
        for (TSeriesDef& c : r->Curves) {
            c.MagSeries.Clear();
            c.PhaseSeries.Clear();
        }
    RedrawAll(true);
}

void TGraphWindows::PrepareForSolve() {
    RebindCurveElements(list_, design_);
    // The solve that follows picks up any curve added here.
    const bool held = holdSolves_;
    holdSolves_ = true;
    // A copy: the loop must not depend on the list staying as it is.
    const std::vector<TPlotForm*> windows = windows_;
    for (TPlotForm* w : windows) w->RebuildCurveMenu();
    holdSolves_ = held;
}

void TGraphWindows::RemoveCurvesOf(const std::string& designator, bool driver) {
    if (pelmo::RemoveCurvesOf(list_, designator, driver) == 0) return;
    for (TPlotForm* w : windows_) {
        w->RefreshCurves();
        w->RebuildCurveMenu();
    }
}

void TGraphWindows::FillAddGraphMenu(QMenu* menu) {
    if (!menu) return;
    menu->clear();
    QMenu* more = nullptr;
    for (TGraphKind kind : AddGraphMenuOrder()) {
        const TGraphKindDescriptor& info = GraphKindDescriptor(kind);
        QMenu* target = menu;
        if (info.InMoreMenu) {
            if (!more) more = menu->addMenu(MoreGraphsMenu);
            target = more;
        }
        target->addAction(info.MenuItem, this, [this, kind] { OpenGraph(kind); });
    }
}

void TGraphWindows::SetGraphToFrontMenu(QMenu* menu) {
    graphToFront_ = menu;
    graphToFrontItems_.clear();
    RebuildGraphToFront();
}

void TGraphWindows::RebuildGraphToFront() {
    if (!graphToFront_) return;
    // Every solve asks for this; the items change only with the titles.
    std::vector<std::pair<const TPlotForm*, QString>> items;
    for (TPlotForm* w : windows_) items.emplace_back(w, w->ChartTitle());
    if (items == graphToFrontItems_ && graphToFront_->actions().size() == static_cast<int>(items.size())) return;
    graphToFrontItems_ = std::move(items);
    graphToFront_->clear();
    for (TPlotForm* w : windows_) {
        QPointer<TPlotForm> target(w);
        graphToFront_->addAction(w->ChartTitle(), this, [target] {
            if (!target) return;
            target->showNormal();
            target->raise();
            target->activateWindow();
        });
    }
}

void TGraphWindows::WindowClosing(TPlotForm* w) {
    if (std::find(windows_.begin(), windows_.end(), w) == windows_.end()) return;
    closed_.erase(std::remove_if(closed_.begin(), closed_.end(), [](const QPointer<QObject>& p) { return p.isNull(); }),
                  closed_.end());
    closed_.emplace_back(w);
    Forget(w);
}

void TGraphWindows::Forget(TPlotForm* w) {
    const auto it = std::find(windows_.begin(), windows_.end(), w);
    if (it == windows_.end()) return;
    windows_.erase(it);
    list_.Remove(&w->Record());
    if (seriesEdit_ && seriesEdit_->Window == w) seriesEdit_->Window = nullptr;
    graphToFrontItems_.clear();  // a later window may take this one's address
    RebuildGraphToFront();
    emit WindowsChanged();
}

}  // namespace pelmo
