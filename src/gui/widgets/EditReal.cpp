#include "gui/widgets/EditReal.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMetaMethod>
#include <QScreen>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>

#include "base/WheelNotches.h"
#include "gui/widgets/ModalRunner.h"
#include "gui/widgets/StepSizeDialog.h"

namespace pelmo {

namespace {
const QColor DisabledFieldColour(249, 247, 217);

bool ToValueKey(int key, TValueKey& out) {
    switch (key) {
        case Qt::Key_Up:
            out = TValueKey::Up;
            return true;
        case Qt::Key_Down:
            out = TValueKey::Down;
            return true;
        case Qt::Key_PageUp:
            out = TValueKey::PageUp;
            return true;
        case Qt::Key_PageDown:
            out = TValueKey::PageDown;
            return true;
        case Qt::Key_Escape:
            out = TValueKey::Escape;
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            out = TValueKey::Enter;
            return true;
        default:
            out = TValueKey::Other;
            return true;
    }
}

bool IsStepKey(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
}
}  // namespace

// ---------------------------------------------------------------------------
// TEditReal

TEditReal::TEditReal(QWidget* parent, TEditRealVariant variant) : QLineEdit(parent), own_(variant), state_(&own_) {
    Init();
}

TEditReal::TEditReal(TEditRealState& state, QWidget* parent) : QLineEdit(parent), state_(&state) { Init(); }

void TEditReal::Init() {
    setAutoFillBackground(true);
    ShowState();
}

void TEditReal::SetRealValue(double v) {
    HideRefusal();
    state_->SetRealValue(v);
    state_->SetBackgroundWhite();
    ShowState();
}

void TEditReal::SetIntOnly(bool on) {
    state_->Format.IntOnly = on;
    state_->Reprint();
    ShowState();
}

void TEditReal::SetEngUnits(bool on) {
    state_->Format.EngUnits = on;
    state_->Reprint();
    ShowState();
}

void TEditReal::SetDefNumChars(int n) {
    state_->Format.DefNumChars = n;
    state_->Reprint();
    ShowState();
}

void TEditReal::SetUnits(const QString& units) {
    state_->Format.Units = units.toStdString();
    state_->Reprint();
    ShowState();
}

void TEditReal::SetShowUnits(bool on) {
    state_->Format.ShowUnits = on;
    state_->Reprint();
    ShowState();
}

void TEditReal::ShowState() {
    const QString t = QString::fromStdString(state_->Text());
    shownText_ = t;
    if (text() != t) {
        setText(t);
        setCursorPosition(std::min(state_->Caret(), static_cast<int>(t.size())));
    } else if (!hasSelectedText()) {
        setCursorPosition(std::min(state_->Caret(), static_cast<int>(t.size())));
    }  // else the user's selection stays as it is
    QFont f = font();
    if (f.underline() != state_->Underlined()) {
        f.setUnderline(state_->Underlined());
        setFont(f);
    }
    QPalette p = palette();
    const QColor base = !isEnabled() ? DisabledFieldColour : state_->Yellow() ? QColor(Qt::yellow) : QColor(Qt::white);
    if (p.color(QPalette::Base) != base) {
        p.setColor(QPalette::Base, base);
        setPalette(p);
    }
}

void TEditReal::Respond(const TValueResponse& r) {
    for (const TValueEvent& e : r.Events) {
        switch (e.Kind) {
            case TValueEventKind::ValChange:
                emit ValChange(e.Value);
                break;
            case TValueEventKind::ValErr:
                ShowRefusal(e.Err);
                emit ValErr(static_cast<int>(e.Err), e.Value);
                break;
            case TValueEventKind::DblClick:
                emit DblClicked();
                break;
            case TValueEventKind::StepChange:
                emit StepChange();
                break;
            case TValueEventKind::DotSpinUp:
                emit DotSpinUp();
                break;
            case TValueEventKind::DotSpinDn:
                emit DotSpinDn();
                break;
        }
    }
}

bool TEditReal::DblClick() {
    const TValueResponse r = state_->DblClick(text().toStdString(), cursorPosition());
    ShowState();
    Respond(r);
    return std::none_of(r.Events.begin(), r.Events.end(),
                        [](const TValueEvent& e) { return e.Kind == TValueEventKind::ValErr; });
}

bool TEditReal::ShowsRefusal() const { return refusal_ && refusal_->isVisible(); }

QString TEditReal::RefusalText() const { return ShowsRefusal() ? refusal_->text() : QString(); }

void TEditReal::ShowRefusal(ValErrT err) {
    if (!isVisible()) return;
    if (!refusal_) {
        // A window of its own, so that it may reach beyond a small dialog;
        // like a tooltip it takes no focus and no place on the desktop.
        refusal_ = new QLabel(this, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                                        Qt::BypassWindowManagerHint | Qt::WindowStaysOnTopHint);
        refusal_->setObjectName("refusal");
        refusal_->setAutoFillBackground(true);
        refusal_->setMargin(2);
        refusal_->setFrameStyle(QFrame::Box | QFrame::Plain);
        QPalette p = refusal_->palette();
        p.setColor(QPalette::Window, QColor(255, 240, 240));
        p.setColor(QPalette::WindowText, QColor(190, 0, 0));
        refusal_->setPalette(p);
    }
    refusal_->setText(QString::fromStdString(RefusalMessage(err, state_->MinValue, state_->MaxValue, state_->Format)));
    refusal_->adjustSize();
    // Below the field, or above it where the screen ends.
    QPoint at = mapToGlobal(QPoint(0, height() + 1));
    if (const QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        if (at.y() + refusal_->height() > avail.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - refusal_->height() - 1);
        at.setX(std::clamp(at.x(), avail.left(), std::max(avail.left(), avail.right() - refusal_->width())));
    }
    refusal_->move(at);
    refusal_->show();
}

void TEditReal::HideRefusal() {
    if (refusal_) refusal_->hide();
}

void TEditReal::hideEvent(QHideEvent* event) {
    HideRefusal();
    QLineEdit::hideEvent(event);
}

void TEditReal::keyPressEvent(QKeyEvent* event) {
    // The field acts on released keys; Enter and Escape must not reach a
    // dialog's default or cancel handling, and stepping keys do nothing here.
    const int key = event->key();
    pressedHere_ = key;
    HideRefusal();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter || IsStepKey(key)) {
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        QLineEdit::keyPressEvent(event);
        const TValueResponse r = state_->Paste(text().toStdString(), cursorPosition());
        ShowState();
        Respond(r);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TEditReal::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    const int key = event->key();
    // The release of a key pressed elsewhere (the T that handed the focus
    // over from the sheet) is no typing.
    if (key != pressedHere_) {
        event->accept();
        return;
    }
    pressedHere_ = 0;
    // Releasing a modifier alone (after a paste, say) changes nothing.
    if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta) {
        QLineEdit::keyReleaseEvent(event);
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        QLineEdit::keyReleaseEvent(event);
        return;
    }
    TValueKey k;
    ToValueKey(key, k);
    // A key that changed nothing (a caret move, a selection) needs no
    // filtering, and filtering would drop the user's selection.
    if (k == TValueKey::Other && text() == shownText_) {
        QLineEdit::keyReleaseEvent(event);
        return;
    }
    const std::string t = text().toStdString();
    const TValueResponse r = KeyHandler ? KeyHandler(k, t, cursorPosition()) : state_->KeyUp(k, t, cursorPosition());
    ShowState();
    event->accept();
    Respond(r);
}

void TEditReal::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    DblClick();
}

void TEditReal::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) HideRefusal();
    // A pop-up menu taking the focus is no leaving.
    if (CommitOnFocusOut && event->reason() != Qt::PopupFocusReason) {
        const TValueResponse r = state_->Leave(text().toStdString(), cursorPosition());
        ShowState();
        Respond(r);
    }
}

// ---------------------------------------------------------------------------
// TEditRealSpin

namespace {
QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType type) {
    auto* b = new QToolButton(parent);
    b->setArrowType(type);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::ClickFocus);
    b->setIconSize(QSize(7, 7));
    return b;
}
}  // namespace

TEditRealSpin::TEditRealSpin(QWidget* parent) : QWidget(parent) {
    arrows_ = new QWidget(this);
    up_ = MakeArrow(arrows_, Qt::UpArrow);
    down_ = MakeArrow(arrows_, Qt::DownArrow);
    edit_ = new TEditReal(state_.Field, this);
    edit_->CommitOnFocusOut = true;
    dotArrows_ = new QWidget(this);
    dotUp_ = MakeArrow(dotArrows_, Qt::UpArrow);
    dotDown_ = MakeArrow(dotArrows_, Qt::DownArrow);
    dotArrows_->hide();
    edit_->KeyHandler = [this](TValueKey key, const std::string& text, int caret) {
        bool up = key == TValueKey::Up || key == TValueKey::PageUp;
        return state_.KeyUp(key, text, caret, DotHandlerSet(up));
    };

    connect(edit_, &TEditReal::ValChange, this, &TEditRealSpin::ValChange);
    connect(edit_, &TEditReal::ValErr, this, &TEditRealSpin::ValErr);
    connect(edit_, &TEditReal::DblClicked, this, &TEditRealSpin::DblClicked);
    connect(edit_, &TEditReal::StepChange, this, &TEditRealSpin::StepChange);
    connect(edit_, &TEditReal::DotSpinUp, this, &TEditRealSpin::DotSpinUp);
    connect(edit_, &TEditReal::DotSpinDn, this, &TEditRealSpin::DotSpinDn);
    connect(up_, &QToolButton::clicked, this, [this] { Step(true); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(false); });
    connect(dotUp_, &QToolButton::clicked, this, &TEditRealSpin::DotSpinUp);
    connect(dotDown_, &QToolButton::clicked, this, &TEditRealSpin::DotSpinDn);
    for (QToolButton* b : {up_, down_}) b->installEventFilter(this);
    arrows_->installEventFilter(this);

    resize(120, 18);  // the field is 18 pixels high as created
    LayoutChildren();
}

TEditRealSpin::~TEditRealSpin() {
    // No commit while the control is torn down.
    edit_->CommitOnFocusOut = false;
    edit_->SetIsFreeing(true);
}

void TEditRealSpin::SetRealValue(double v) {
    state_.SetRealValue(v);
    state_.Field.SetBackgroundWhite();
    edit_->ShowState();
}

void TEditRealSpin::SetIntOnly(bool on) {
    state_.SetIntOnly(on);
    edit_->ShowState();
}

void TEditRealSpin::SetStepMode(TValueStepMode mode) {
    state_.SetStepMode(mode);
    edit_->ShowState();
}

void TEditRealSpin::SetShowDotSpin(bool on) {
    state_.ShowDotSpin = on;
    LayoutChildren();
}

void TEditRealSpin::SetEnabled(bool on) {
    edit_->setEnabled(on);
    edit_->ShowState();
}

bool TEditRealSpin::DotHandlerSet(bool up) const {
    const QMetaMethod m =
        up ? QMetaMethod::fromSignal(&TEditRealSpin::DotSpinUp) : QMetaMethod::fromSignal(&TEditRealSpin::DotSpinDn);
    return isSignalConnected(m);
}

void TEditRealSpin::Apply(const TValueResponse& r) {
    edit_->ShowState();
    if (r.FocusArrows && !up_->hasFocus() && !down_->hasFocus()) up_->setFocus(Qt::OtherFocusReason);
    edit_->Respond(r);
}

void TEditRealSpin::Step(bool up) { Apply(state_.Step(up, DotHandlerSet(up))); }

void TEditRealSpin::ShowStepMenu() {
    QMenu menu(this);
    const std::vector<TStepMenuItem> items = state_.StepMenu();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TStepMenuItem& item = items[i];
        if (item.Action == TStepMenuAction::Separator) {
            menu.addSeparator();
            continue;
        }
        QAction* a = menu.addAction(QString::fromStdString(item.Caption));
        a->setCheckable(item.Checked);
        a->setChecked(item.Checked);
        a->setData(static_cast<int>(item.Action));
    }
    QAction* chosen = ExecMenu(menu, mapToGlobal(QPoint(0, height())));
    if (!chosen) return;
    const auto action = static_cast<TStepMenuAction>(chosen->data().toInt());
    switch (action) {
        case TStepMenuAction::IntegerRound:
        case TStepMenuAction::FloatIncrement:
        case TStepMenuAction::FloatMultiply:
            RunStepDialog(action);
            break;
        default:
            Apply(state_.ChooseStep(action));
            break;
    }
}

void TEditRealSpin::RunStepDialog(TStepMenuAction action) {
    const TStepDialogRequest req = state_.StepDialogFor(action);
    double result = req.Value;
    TStepSizeDialog dialog(&result, this);
    dialog.Field()->SetIntOnly(req.IntOnly);
    dialog.Field()->SetMinValue(req.MinValue);
    dialog.Field()->SetMaxValue(req.MaxValue);
    dialog.Field()->SetRealValue(req.Value);
    dialog.SetUpperLabel(QString::fromStdString(req.UpperLabel));
    dialog.PlaceBelow(this);
    const bool ok = ExecModal(dialog) == QDialog::Accepted;
    TValueResponse r = state_.FinishStepDialog(action, ok, result);
    r.FocusArrows = false;
    Apply(r);
}

void TEditRealSpin::LayoutChildren() {
    const int w = width(), h = height();
    const int arrowW = w > 0 ? 23 : 0;
    const int dotW = (w > 0 && state_.ShowDotSpin) ? 15 : 0;
    arrows_->setGeometry(0, 0, arrowW, h);
    up_->setGeometry(0, 0, arrowW, h / 2);
    down_->setGeometry(0, h / 2, arrowW, h - h / 2);
    dotArrows_->setVisible(state_.ShowDotSpin);
    dotArrows_->setGeometry(w - dotW, 0, dotW, h);
    dotUp_->setGeometry(0, 0, dotW, h / 2);
    dotDown_->setGeometry(0, h / 2, dotW, h - h / 2);
    edit_->setGeometry(arrowW, 0, std::max(0, w - arrowW - dotW), h);
}

void TEditRealSpin::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutChildren();
}

void TEditRealSpin::wheelEvent(QWheelEvent* event) {
    for (int n = TakeWheelNotches(wheelRest_, event->angleDelta().y()); n != 0; n -= n > 0 ? 1 : -1) Step(n > 0);
    event->accept();
}

bool TEditRealSpin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == up_ || watched == down_ || watched == arrows_) {
        if (event->type() == QEvent::ContextMenu) {
            ShowStepMenu();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            if (IsStepKey(k->key())) {
                Step(k->key() == Qt::Key_Up || k->key() == Qt::Key_PageUp);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pelmo
