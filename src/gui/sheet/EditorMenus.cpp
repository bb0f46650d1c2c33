// The sheet's pop-up menus: the element menu, the sheet menu and the box menu.
#include <QAction>
#include <QMenu>
#include <QScreen>

#include "blocks/CircuitBlocks.h"
#include "document/Session.h"
#include "sheet/EditorController.h"
#include "sheet/SheetWidgets.h"

namespace pelmo {

namespace {

// Handlers run after the menu has closed; the menu's own signals are not used.
const char* const HandlerProperty = "pelmoHandler";

struct TMenuHandler {
    std::function<void()> Run;
};

QAction* AddItem(QMenu* menu, const QString& caption, std::function<void()> run) {
    QAction* a = menu->addAction(caption);
    auto* handler = new TMenuHandler{std::move(run)};
    a->setProperty(HandlerProperty, QVariant::fromValue(static_cast<void*>(handler)));
    QObject::connect(a, &QObject::destroyed, [handler] { delete handler; });
    return a;
}

void RunHandler(QAction* a) {
    if (!a) return;
    if (auto* h = static_cast<TMenuHandler*>(a->property(HandlerProperty).value<void*>())) h->Run();
}

}  // namespace

void TEditorController::BuildPopupMenus() {
    partMenu_ = new QMenu(window_);
    partMenu_->setObjectName("PartMenu");
    editTune1_ = AddItem(partMenu_, "Tune", [this] { EditTune1Click(editTune1_); });
    editTune1_->setObjectName("EditTune1");
    partMenu_->addSeparator();
    QAction* findPart = AddItem(partMenu_, "Find Part#", [this] {
        const TElementRef e = current_;
        EditTune1Click(editTune1_);
        dialogs_->FindPartNumber(e);
    });
    partMenu_->addSeparator();
    QAction* dissolve = AddItem(partMenu_, "Change Block to separate parts", [this] {
        if (current_.Kind == TElementKind::Block && CurrentExists()) {
            pelmo::DissolveBlock(Design(), current_.Index);
            Design().Modified = true;
            SetIdle();
            view_.RepaintSheet();
            Solve();
            CommitEdit();
        }
    });
    partMenu_->addSeparator();
    QAction* rotate = AddItem(partMenu_, "Rotate", [this] {
        PickUpAtRightClickPoint();
        ToggleOrientation();
    });
    QAction* normal = AddItem(partMenu_, "Normal", [this] { SetPartStateCmd(TPartState::Normal); });
    QAction* shorted = AddItem(partMenu_, "Short", [this] { SetPartStateCmd(TPartState::Shorted); });
    QAction* open = AddItem(partMenu_, "Open", [this] { SetPartStateCmd(TPartState::Open); });
    QAction* invert = AddItem(partMenu_, "Invert/normal", [this] { InvertCmd(); });
    QAction* mute = AddItem(partMenu_, "Mute/unmute", [this] { MuteCmd(); });
    partMenu_->addSeparator();
    AddItem(partMenu_, "Zoom", [this] { ZoomCmd(); });
    AddItem(partMenu_, "Center here", [this] { CentreHereCmd(); });
    AddItem(partMenu_, "Move", [this] { PickUpAtRightClickPoint(); });
    QAction* del = AddItem(partMenu_, "Delete", [this] { Delete1Click(); });
    QAction* copy = AddItem(partMenu_, "Copy+Paste", [this] { Copy2Click(); });
    partMenu_->addSeparator();
    AddItem(partMenu_, "cancel", [this] { CancelToIdle(); });
    partMenu_->addSeparator();
    tune1_ = AddItem(partMenu_, "Tune", [this] { EditTune1Click(tune1_); });
    tune1_->setObjectName("Tune1");

    // Which items an element kind offers.
    auto parts = [](TElementKind k) { return IsPartKind(k); };
    partItemRules_ = {
        {findPart, [=](TElementKind k) { return parts(k) || k == TElementKind::Driver; }},
        {dissolve, [](TElementKind k) { return k == TElementKind::Block; }},
        {rotate, parts},
        {normal, parts},
        {shorted, parts},
        {open, parts},
        {invert, [](TElementKind k) { return k == TElementKind::Source || k == TElementKind::Driver; }},
        {mute, [](TElementKind k) { return k == TElementKind::Driver; }},
        {del, [](TElementKind k) { return k != TElementKind::Source; }},
        // Grounds and wires would copy nothing: not offered for them.
        {copy, [=](TElementKind k) { return parts(k) || k == TElementKind::Driver; }},
    };

    spaceMenu_ = new QMenu(window_);
    spaceMenu_->setObjectName("SpaceMenu");
    AddItem(spaceMenu_, "Fit all", [this] { view_.FitAll(); });
    AddItem(spaceMenu_, "Zoom", [this] { ZoomCmd(); });
    AddItem(spaceMenu_, "Center here", [this] { CentreHereCmd(); });
    AddItem(spaceMenu_, "cancel", [this] { CancelToIdle(); });

    boxMenu_ = new QMenu(window_);
    boxMenu_->setObjectName("BoxMenu");
    AddItem(boxMenu_, "Move Group", [this] { Move2Click(); });
    AddItem(boxMenu_, "Copy+Paste Group", [this] { Copy1Click(); });
    AddItem(boxMenu_, "Delete Group", [this] { Delete2Click(); });
    AddItem(boxMenu_, "cancel", [this] { CancelToIdle(); });
}

QAction* TEditorController::ExecPopup(QMenu* menu, QPoint globalPos) {
    lastMenuItems_.clear();
    for (QAction* a : menu->actions())
        if (a->isVisible() && !a->isSeparator()) lastMenuItems_ << a->text();
    lastMenuDefault_ = menu->defaultAction() ? menu->defaultAction()->text() : QString();
    menuOpen_ = true;
    QAction* chosen = MenuChooser ? MenuChooser(menu) : menu->exec(globalPos);
    menuOpen_ = false;
    return chosen;
}

void TEditorController::PartMenuPopup(QPoint pos) {
    const TElementRef e = current_;
    const TElementKind k = e.Kind;
    for (const auto& [action, offered] : partItemRules_) action->setVisible(offered(k));
    const bool tunable = k != TElementKind::Ground && k != TElementKind::Wire;

    // The default "Tune" lands under the pointer: the first item when the menu
    // fits below it, else the last one with the menu above the pointer.
    const QPoint global = view_.Sheet()->mapToGlobal(pos);
    editTune1_->setVisible(tunable);
    tune1_->setVisible(false);
    const int height = partMenu_->sizeHint().height();
    const QScreen* sc = window_->screen();
    const int screenHeight = sc ? sc->geometry().bottom() + 1 : 100000;
    const bool fitsBelow = global.y() + height - 12 <= screenHeight;
    editTune1_->setVisible(tunable && fitsBelow);
    tune1_->setVisible(tunable && !fitsBelow);
    partMenu_->setDefaultAction(tunable ? (fitsBelow ? editTune1_ : tune1_) : nullptr);
    const QSize size = partMenu_->sizeHint();
    const QPoint at = fitsBelow ? QPoint(global.x() - size.width(), global.y() - 15)
                                : QPoint(global.x() - size.width(), global.y() + 15 - size.height());

    SetIdle();
    current_ = e;
    QAction* chosen = ExecPopup(partMenu_, at);
    RunHandler(chosen);
}

void TEditorController::SpaceMenuPopup(QPoint pos) {
    SetIdle();
    if (const auto hit = HitTest(Design(), view_.PixelToGrid(pos))) current_ = *hit;
    CloseElementDialogs();
    QAction* chosen = ExecPopup(spaceMenu_, view_.Sheet()->mapToGlobal(pos));
    RunHandler(chosen);
}

void TEditorController::BoxMenuPopup(QPoint pos) {
    SetIdle();
    if (const auto hit = HitTest(Design(), view_.PixelToGrid(pos))) current_ = *hit;
    rightClickPoint_ = view_.PixelToGrid(pos);
    CloseElementDialogs();
    QAction* chosen = ExecPopup(boxMenu_, view_.Sheet()->mapToGlobal(pos));
    if (chosen)
        RunHandler(chosen);
    else
        CancelToIdle();  // dismissed: the box selection goes
}

}  // namespace pelmo
