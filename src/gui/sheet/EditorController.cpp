#include "gui/sheet/EditorController.h"

#include "blocks/CircuitBlocks.h"
#include "document/Session.h"
#include "model/Design.h"

namespace pelmo {

TEditorController::TEditorController(TSession& session, TSheetView& view, QWidget* window)
    : QObject(window),
      session_(session),
      view_(view),
      window_(window),
      keys_(*this, state_, view, window),
      menus_(*this, state_, view, window),
      groups_(*this, state_, view),
      tuning_(*this, state_, view),
      overlay_(*this, state_, view) {
    view_.SetInput(this);
    view_.SetDecorations(&overlay_);
    view_.PointerPlaced = [this](QPoint p) { state_.Pointer = p; };
    deleteHooks_.PartRemoving = [this](const TPart& p) { session_.ElementRemoving(PartDesignator(p), false); };
    deleteHooks_.DriverRemoving = [this](const TDriver& drv) { session_.ElementRemoving(DriverDesignator(drv), true); };
    dblClickTimer_.setSingleShot(true);
    dblClickTimer_.setInterval(275);
    connect(&dblClickTimer_, &QTimer::timeout, this, [this] { dblClickFlag_ = false; });
    lastPointerTime_.start();
}

TDesign& TEditorController::Design() { return session_.Design(); }
const TDesign& TEditorController::Design() const { return session_.Design(); }

void TEditorController::Solve() { session_.Solve(); }

void TEditorController::SetElementDialogs(TElementDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &noDialogs_; }

void TEditorController::ZoomStep(bool zoomIn) { view_.ZoomStep(zoomIn, state_.Pointer); }

void TEditorController::DissolveBlockCmd() {
    if (state_.Current.Kind != TElementKind::Block || !CurrentExists()) return;
    pelmo::DissolveBlock(Design(), state_.Current.Index);
    Design().Modified = true;
    SetIdle();
    view_.RepaintSheet();
    Solve();
    CommitEdit();
}

}  // namespace pelmo
