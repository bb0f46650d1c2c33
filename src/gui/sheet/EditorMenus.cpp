// The sheet's pop-up menus: the element menu, the sheet menu and the box menu.
#include "gui/sheet/EditorMenus.h"

#include <QAction>
#include <QMenu>
#include <QScreen>

#include "blocks/CircuitBlocks.h"
#include "document/Session.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetWidgets.h"

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

TEditorMenus::TEditorMenus(TEditorController& editor, TEditorState& state, TSheetView& view, QWidget* window)
    : editor_(editor), state_(state), view_(view), window_(window) {
    Build();
}

void TEditorMenus::Build() {
    partMenu_ = new QMenu(window_);
    partMenu_->setObjectName("PartMenu");
    tuneFirst_ = AddItem(partMenu_, "Tune", [this] { editor_.Tuning().Start(); });
    tuneFirst_->setObjectName("EditTune1");
    partMenu_->addSeparator();
    QAction* findPart = AddItem(partMenu_, "Find Part#", [this] {
        const TElementRef e = state_.Current;
        editor_.Tuning().Start();
        editor_.Dialogs().FindPartNumber(e);
    });
    partMenu_->addSeparator();
    QAction* dissolve = AddItem(partMenu_, "Change Block to separate parts", [this] { editor_.DissolveBlockCmd(); });
    partMenu_->addSeparator();
    QAction* rotate = AddItem(partMenu_, "Rotate", [this] {
        editor_.PickUpAtRightClickPoint();
        editor_.ToggleOrientation();
    });
    QAction* normal = AddItem(partMenu_, "Normal", [this] { editor_.SetPartStateCmd(TPartState::Normal); });
    QAction* shorted = AddItem(partMenu_, "Short", [this] { editor_.SetPartStateCmd(TPartState::Shorted); });
    QAction* open = AddItem(partMenu_, "Open", [this] { editor_.SetPartStateCmd(TPartState::Open); });
    QAction* invert = AddItem(partMenu_, "Invert/normal", [this] { editor_.InvertCmd(); });
    QAction* mute = AddItem(partMenu_, "Mute/unmute", [this] { editor_.MuteCmd(); });
    partMenu_->addSeparator();
    AddItem(partMenu_, "Zoom", [this] { editor_.ZoomCmd(); });
    AddItem(partMenu_, "Center here", [this] { editor_.CentreHereCmd(); });
    AddItem(partMenu_, "Move", [this] { editor_.PickUpAtRightClickPoint(); });
    QAction* del = AddItem(partMenu_, "Delete", [this] { editor_.Delete1Click(); });
    QAction* copy = AddItem(partMenu_, "Copy+Paste", [this] { editor_.Copy2Click(); });
    partMenu_->addSeparator();
    AddItem(partMenu_, "cancel", [this] { editor_.CancelToIdle(); });
    partMenu_->addSeparator();
    tuneLast_ = AddItem(partMenu_, "Tune", [this] { editor_.Tuning().Start(); });
    tuneLast_->setObjectName("Tune1");

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
    AddItem(spaceMenu_, "Zoom", [this] { editor_.ZoomCmd(); });
    AddItem(spaceMenu_, "Center here", [this] { editor_.CentreHereCmd(); });
    AddItem(spaceMenu_, "cancel", [this] { editor_.CancelToIdle(); });

    boxMenu_ = new QMenu(window_);
    boxMenu_->setObjectName("BoxMenu");
    AddItem(boxMenu_, "Move Group", [this] { editor_.Groups().MoveGroup(); });
    AddItem(boxMenu_, "Copy+Paste Group", [this] { editor_.Groups().CopyGroup(); });
    AddItem(boxMenu_, "Delete Group", [this] { editor_.Groups().DeleteGroup(); });
    AddItem(boxMenu_, "cancel", [this] { editor_.CancelToIdle(); });
}

QAction* TEditorMenus::Exec(QMenu* menu, QPoint globalPos) {
    lastMenuItems_.clear();
    for (QAction* a : menu->actions())
        if (a->isVisible() && !a->isSeparator()) lastMenuItems_ << a->text();
    lastMenuDefault_ = menu->defaultAction() ? menu->defaultAction()->text() : QString();
    state_.MenuOpen = true;
    QAction* chosen = MenuChooser ? MenuChooser(menu) : menu->exec(globalPos);
    state_.MenuOpen = false;
    return chosen;
}

void TEditorMenus::PartMenuPopup(QPoint pos) {
    const TElementRef e = state_.Current;
    const TElementKind k = e.Kind;
    for (const auto& [action, offered] : partItemRules_) action->setVisible(offered(k));
    const bool tunable = k != TElementKind::Ground && k != TElementKind::Wire;

    // The default "Tune" lands under the pointer: the first item when the menu
    // fits below it, else the last one with the menu above the pointer.
    const QPoint global = view_.Sheet()->mapToGlobal(pos);
    tuneFirst_->setVisible(tunable);
    tuneLast_->setVisible(false);
    const int height = partMenu_->sizeHint().height();
    const QScreen* sc = window_->screen();
    const int screenHeight = sc ? sc->geometry().bottom() + 1 : 100000;
    const bool fitsBelow = global.y() + height - 12 <= screenHeight;
    tuneFirst_->setVisible(tunable && fitsBelow);
    tuneLast_->setVisible(tunable && !fitsBelow);
    partMenu_->setDefaultAction(tunable ? (fitsBelow ? tuneFirst_ : tuneLast_) : nullptr);
    const QSize size = partMenu_->sizeHint();
    const QPoint at = fitsBelow ? QPoint(global.x() - size.width(), global.y() - 15)
                                : QPoint(global.x() - size.width(), global.y() + 15 - size.height());

    editor_.SetIdle();
    state_.Current = e;
    QAction* chosen = Exec(partMenu_, at);
    RunHandler(chosen);
}

void TEditorMenus::SpaceMenuPopup(QPoint pos) {
    editor_.SetIdle();
    if (const auto hit = HitTest(editor_.Design(), view_.PixelToGrid(pos))) state_.Current = *hit;
    editor_.CloseElementDialogs();
    QAction* chosen = Exec(spaceMenu_, view_.Sheet()->mapToGlobal(pos));
    RunHandler(chosen);
}

void TEditorMenus::BoxMenuPopup(QPoint pos) {
    editor_.SetIdle();
    if (const auto hit = HitTest(editor_.Design(), view_.PixelToGrid(pos))) state_.Current = *hit;
    state_.RightClickPoint = view_.PixelToGrid(pos);
    editor_.CloseElementDialogs();
    QAction* chosen = Exec(boxMenu_, view_.Sheet()->mapToGlobal(pos));
    if (chosen)
        RunHandler(chosen);
    else
        editor_.CancelToIdle();  // dismissed: the box selection goes
}

}  // namespace pelmo
