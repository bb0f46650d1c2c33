#pragma once

#include <QLineEdit>
#include <QWidget>
#include <functional>

#include "values/ValueStepping.h"
#include "values/ValueText.h"

class QLabel;
class QToolButton;

// The value controls: a text field holding a number with an engineering
// prefix and a unit (TEditReal, and TEditReal2 which prints the unit without
// brackets), and the spin control around it (TEditRealSpin) with its arrows,
// step rules and step-mode menu. Printing, parsing, typing and stepping
// rules are the core's (values/); these widgets show the result and raise
// the events.

namespace pelmo {

class TEditReal : public QLineEdit {
    Q_OBJECT
public:
    explicit TEditReal(QWidget* parent = nullptr, TEditRealVariant variant = TEditRealVariant::EditReal);
    // A field whose state lives in a container (the spin control).
    TEditReal(TEditRealState& state, QWidget* parent);

    TEditRealState& State() { return *state_; }

    double RealValue() const { return state_->RealValue(); }
    // Stores and prints; raises no event.
    void SetRealValue(double v);
    double MinValue() const { return state_->MinValue; }
    void SetMinValue(double v) { state_->MinValue = v; }
    double MaxValue() const { return state_->MaxValue; }
    void SetMaxValue(double v) { state_->MaxValue = v; }
    bool IntOnly() const { return state_->Format.IntOnly; }
    void SetIntOnly(bool on);
    bool EngUnits() const { return state_->Format.EngUnits; }
    void SetEngUnits(bool on);
    int DefNumChars() const { return state_->Format.DefNumChars; }
    void SetDefNumChars(int n);
    QString Units() const { return QString::fromStdString(state_->Format.Units); }
    void SetUnits(const QString& units);
    bool ShowUnits() const { return state_->Format.ShowUnits; }
    void SetShowUnits(bool on);
    bool IsFreeing() const { return state_->IsFreeing; }
    void SetIsFreeing(bool on) { state_->IsFreeing = on; }

    // Commits what the user typed: filter, accept, then DblClicked. False when
    // the typed value was refused (the old value stays and the field says why).
    bool DblClick();
    // The field refused a typed value and says why beside it, until the next key.
    bool ShowsRefusal() const;
    QString RefusalText() const;
    // Raises ValChange with the stored value.
    void DoValChange() { emit ValChange(state_->RealValue()); }

    // Shows the state (text, caret, underline, background).
    void ShowState();
    // Raises the events of a response in order.
    void Respond(const TValueResponse& r);

    // A container that handles some keys itself (stepping keys of the spin).
    std::function<TValueResponse(TValueKey key, const std::string& text, int caret)> KeyHandler;
    // Set by a container: leaving the field commits the typing.
    bool CommitOnFocusOut = false;

signals:
    void ValChange(double value);
    void ValErr(int err, double badValue);
    void DblClicked();
    void StepChange();
    void DotSpinUp();
    void DotSpinDn();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Init();
    void ShowRefusal(ValErrT err);
    void HideRefusal();
    int pressedHere_ = 0;        // the key last pressed in this field, until released
    QString shownText_;          // the text as last shown from the state
    QLabel* refusal_ = nullptr;  // the line beside the field saying why a value was refused
    TEditRealState own_;
    TEditRealState* state_;
};

// Arrows, text field and the optional second (fine) arrow pair.
class TEditRealSpin : public QWidget {
    Q_OBJECT
public:
    explicit TEditRealSpin(QWidget* parent = nullptr);
    ~TEditRealSpin() override;

    TEditRealSpinState& State() { return state_; }
    TEditReal* EditReal() const { return edit_; }
    QToolButton* UpArrow() const { return up_; }
    QToolButton* DownArrow() const { return down_; }

    double RealValue() const { return state_.RealValue(); }
    void SetRealValue(double v);
    void SetMinValue(double v) { edit_->SetMinValue(v); }
    void SetMaxValue(double v) { edit_->SetMaxValue(v); }
    double MinValue() const { return edit_->MinValue(); }
    double MaxValue() const { return edit_->MaxValue(); }
    bool IntOnly() const { return state_.IntOnly(); }
    void SetIntOnly(bool on);
    void SetEngUnits(bool on) { edit_->SetEngUnits(on); }
    void SetDefNumChars(int n) { edit_->SetDefNumChars(n); }
    void SetUnits(const QString& units) { edit_->SetUnits(units); }
    void SetShowUnits(bool on) { edit_->SetShowUnits(on); }
    TValueStepMode StepMode() const { return state_.StepMode(); }
    void SetStepMode(TValueStepMode mode);
    void SetCardInc(int n) { state_.CardInc = n; }
    void SetRealInc(double v) { state_.RealInc = v; }
    void SetRealMult(double v) { state_.RealMult = v; }
    void SetMinMag(double v) { state_.MinMag = v; }
    bool ShowDotSpin() const { return state_.ShowDotSpin; }
    void SetShowDotSpin(bool on);
    void SetAvoidSetFocus(bool on) { state_.AvoidSetFocus = on; }
    // Enabled colours the field white, disabled a pale yellow; only the field
    // is disabled.
    void SetEnabled(bool on);

    // One step up or down by the current rule.
    void Step(bool up);
    // Raises ValChange with the current value once more.
    void DoValChange() { edit_->DoValChange(); }
    // The right-click menu of the arrows.
    void ShowStepMenu();

signals:
    void ValChange(double value);
    void ValErr(int err, double badValue);
    void DblClicked();
    void StepChange();
    void DotSpinUp();
    void DotSpinDn();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool DotHandlerSet(bool up) const;
    void Apply(const TValueResponse& r);
    void LayoutChildren();
    void RunStepDialog(TStepMenuAction action);

    TEditRealSpinState state_;
    TEditReal* edit_ = nullptr;
    QWidget* arrows_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    QWidget* dotArrows_ = nullptr;
    QToolButton* dotUp_ = nullptr;
    QToolButton* dotDown_ = nullptr;
    int wheelRest_ = 0;
};

}  // namespace pelmo
