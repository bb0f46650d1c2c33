#pragma once

#include <QWidget>

#include "values/ValueStepping.h"

class QToolButton;

// The part-value control: a value field (printing its unit without
// brackets) and an arrow pair that steps the value through the preferred
// numbers of its tolerance, with the tolerance menu on the arrows' right
// click ("2%" ... "20%", "short", "open"). The stepping rules are the
// core's TPcsState; this widget shows the state and raises its events.

namespace pelmo {

class TEditReal;

class TPcs : public QWidget {
    Q_OBJECT
public:
    explicit TPcs(QWidget* parent = nullptr);
    ~TPcs() override;

    TPcsState& State() { return state_; }
    TEditReal* EditReal() const { return edit_; }
    QToolButton* UpArrow() const { return up_; }
    QToolButton* DownArrow() const { return down_; }

    double Value() const { return state_.Value(); }
    // Stores and prints; raises no event.
    void SetValue(double v);
    TPartStepMode StepMode() const { return state_.StepMode; }
    // Only stores the step rule.
    void SetStepMode(TPartStepMode mode) { state_.StepMode = mode; }
    void SetMinValue(double v);
    void SetMaxValue(double v);
    void SetEngUnits(bool on);
    void SetDefNumChars(int n);
    void SetUnits(const QString& units);
    void SetShowUnits(bool on);
    void SetAvoidSetFocus(bool on) { state_.AvoidSetFocus = on; }
    void SetEnabled(bool on);

    // One step up or down by the tolerance's series (the menu when short or open).
    void Step(bool up);
    // The tolerance menu below the control.
    void ShowToleranceMenu();
    // Commits what the user typed (Enter, double-click).
    bool DblClick();  // false when the typed value was refused
    // Raises ValChange with the stored value.
    void DoValChange();

signals:
    void ValChange(double value);
    void ValErr(int err, double badValue);
    void DblClicked();
    void StepChange();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Apply(const TValueResponse& r);
    void LayoutChildren();

    TPcsState state_;
    TEditReal* edit_ = nullptr;
    QWidget* arrows_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int wheelRest_ = 0;
};

}  // namespace pelmo
