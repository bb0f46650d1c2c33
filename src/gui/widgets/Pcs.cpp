#include "gui/widgets/Pcs.h"

#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>
#include <QWheelEvent>

#include "base/WheelNotches.h"
#include "gui/widgets/EditReal.h"
#include "gui/widgets/ModalRunner.h"

namespace pelmo {

namespace {
constexpr int ArrowWidth = 15;

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType type) {
    auto* b = new QToolButton(parent);
    b->setArrowType(type);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::ClickFocus);
    b->setIconSize(QSize(7, 7));
    b->setCursor(Qt::CrossCursor);
    return b;
}

bool IsStepKey(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
}
}  // namespace

TPcs::TPcs(QWidget* parent) : QWidget(parent) {
    edit_ = new TEditReal(state_.Field, this);
    edit_->CommitOnFocusOut = true;
    arrows_ = new QWidget(this);
    arrows_->setCursor(Qt::CrossCursor);
    up_ = MakeArrow(arrows_, Qt::UpArrow);
    down_ = MakeArrow(arrows_, Qt::DownArrow);
    edit_->KeyHandler = [this](TValueKey key, const std::string& text, int caret) {
        TValueResponse r = state_.KeyUp(key, text, caret);
        if (r.ShowMenu) {
            r.ShowMenu = false;
            QMetaObject::invokeMethod(this, &TPcs::ShowToleranceMenu, Qt::QueuedConnection);
        }
        return r;
    };
    connect(edit_, &TEditReal::ValChange, this, &TPcs::ValChange);
    connect(edit_, &TEditReal::ValErr, this, &TPcs::ValErr);
    connect(edit_, &TEditReal::DblClicked, this, &TPcs::DblClicked);
    connect(edit_, &TEditReal::StepChange, this, &TPcs::StepChange);
    connect(up_, &QToolButton::clicked, this, [this] { Step(true); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(false); });
    for (QWidget* w : {static_cast<QWidget*>(up_), static_cast<QWidget*>(down_), arrows_}) w->installEventFilter(this);
    resize(64 + ArrowWidth, 22);
    LayoutChildren();
}

TPcs::~TPcs() {
    // No commit while the control is torn down.
    edit_->CommitOnFocusOut = false;
    edit_->SetIsFreeing(true);
}

void TPcs::SetValue(double v) {
    state_.SetValue(v);
    state_.Field.SetBackgroundWhite();
    edit_->ShowState();
}

void TPcs::SetMinValue(double v) { edit_->SetMinValue(v); }
void TPcs::SetMaxValue(double v) { edit_->SetMaxValue(v); }
void TPcs::SetEngUnits(bool on) { edit_->SetEngUnits(on); }
void TPcs::SetDefNumChars(int n) { edit_->SetDefNumChars(n); }
void TPcs::SetUnits(const QString& units) { edit_->SetUnits(units); }
void TPcs::SetShowUnits(bool on) { edit_->SetShowUnits(on); }

void TPcs::SetEnabled(bool on) {
    edit_->setEnabled(on);
    up_->setEnabled(on);
    down_->setEnabled(on);
    edit_->ShowState();
}

bool TPcs::DblClick() { return edit_->DblClick(); }

void TPcs::DoValChange() { edit_->DoValChange(); }

void TPcs::Apply(const TValueResponse& r) {
    edit_->ShowState();
    if (r.FocusArrows && !up_->hasFocus() && !down_->hasFocus()) up_->setFocus(Qt::OtherFocusReason);
    edit_->Respond(r);
}

void TPcs::Step(bool up) {
    const TValueResponse r = state_.Step(up);
    if (r.ShowMenu) {
        ShowToleranceMenu();
        return;
    }
    Apply(r);
}

void TPcs::ShowToleranceMenu() {
    QMenu menu(this);
    for (const TToleranceMenuItem& item : state_.ToleranceMenu()) {
        if (item.Action == TToleranceAction::Separator) {
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
    TValueResponse r = state_.ChooseTolerance(static_cast<TToleranceAction>(chosen->data().toInt()));
    r.FocusArrows = false;
    Apply(r);
}

void TPcs::LayoutChildren() {
    const int w = width(), h = height();
    const int arrowW = w > 0 ? ArrowWidth : 0;
    edit_->setGeometry(0, 0, std::max(0, w - arrowW), h);
    arrows_->setGeometry(w - arrowW, 0, arrowW, h);
    up_->setGeometry(0, 0, arrowW, h / 2);
    down_->setGeometry(0, h / 2, arrowW, h - h / 2);
}

void TPcs::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutChildren();
}

void TPcs::wheelEvent(QWheelEvent* event) {
    for (int n = TakeWheelNotches(wheelRest_, event->angleDelta().y()); n != 0; n -= n > 0 ? 1 : -1) Step(n > 0);
    event->accept();
}

bool TPcs::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        ShowToleranceMenu();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (IsStepKey(k->key())) {
            Step(k->key() == Qt::Key_Up || k->key() == Qt::Key_PageUp);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pelmo
