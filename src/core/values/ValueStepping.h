#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/StepModes.h"
#include "values/ESeries.h"
#include "values/ValueText.h"

// Stepping rules of the spin controls (TEditRealSpin) and the part-value
// controls (TPcs), with their menus. A Qt control holds one state object,
// forwards arrow clicks, wheel turns, released keys and menu choices, shows
// the state's field and raises the returned events in order.

namespace pelmo {

// A value split into a leading digit d and a decade D, x ~ d x D with
// D = 10^Exp10. Tiny magnitudes (below 1e-20) give D = 1e-20 (Tiny set).
struct TDecomposition {
    int Digit = 1;  // negative for negative values
    int Exp10 = 0;
    bool Tiny = false;
};
// Digit 1, 2 or 5 (boundaries 1.5 and 3.5).
TDecomposition Decompose125(double x);
// Digit 1 to 9, the leading digit rounded (boundaries 1.5, 2.5 ... 8.5).
TDecomposition DecomposeDigit(double x);

// Entries of the step-mode menu of a spin control.
enum class TStepMenuAction {
    IntegerRound,
    Pattern125,
    HighDigit,
    FloatIncrement,
    FloatMultiply,
    FineResolution,
    Separator,
    ToLowest,
    ToHighest,
    Cancel,
};
struct TStepMenuItem {
    std::string Caption;  // "&" marks the accelerator letter; "-" a separator
    TStepMenuAction Action;
    bool Checked = false;
};

// What the step-size dialog (TStepSizeDialog) must ask for.
struct TStepDialogRequest {
    std::string UpperLabel;
    bool IntOnly = false;
    double Value = 0;
    double MinValue = 0;
    double MaxValue = 0;
};
inline constexpr const char* StepDialogCaption = "customize control";
inline constexpr const char* StepDialogIncrementLabel = "Amount to Increment or Decrement";
inline constexpr const char* StepDialogMultiplyLabel = "Amount to Multiply or Divide";
inline constexpr const char* StepDialogLowerLabel = "with each spinner click:";

// Top-left corner of the step-size dialog: at the control's lower-left corner,
// moved 185 pixels left or 123 up where it would pass the screen's edge.
struct TScreenPoint {
    int X = 0;
    int Y = 0;
};
TScreenPoint StepDialogPosition(TScreenPoint controlLowerLeft, int width, int height, int screenRight,
                                int screenBottom);

class TEditRealSpinState {
public:
    TEditRealSpinState();

    TEditRealState Field;

    double RealValue() const { return Field.RealValue(); }
    // Stores and reprints without an event; forgets the last step direction.
    void SetRealValue(double v);
    TValueStepMode StepMode() const { return stepMode_; }
    // Forgets the last step direction; smLog and smReal clear IntOnly.
    void SetStepMode(TValueStepMode mode);
    bool IntOnly() const { return Field.Format.IntOnly; }
    // IntOnly in smLog or smReal falls back to smIntRound.
    void SetIntOnly(bool on);

    int CardInc = 1;
    double RealInc = 0.5;
    double RealMult = 1.0594630943593;  // one equal-tempered semitone
    double MinMag = 0.0;
    bool ShowDotSpin = false;
    bool AvoidSetFocus = false;

    // One step. dotHandlerSet: the owner handles that direction's fine step
    // itself (OnDotSpinUp / OnDotSpinDn), used in smFine.
    TValueResponse Step(bool up, bool dotHandlerSet = false);
    // A key released in the field: Up/Page Up and Down/Page Down step and then
    // let the field filter its text; other keys go to the field.
    TValueResponse KeyUp(TValueKey key, std::string_view fieldText, int caret, bool dotHandlerSet = false);

    std::vector<TStepMenuItem> StepMenu() const;
    // The menu entries that need no dialog.
    TValueResponse ChooseStep(TStepMenuAction action);
    // IntegerRound, FloatIncrement and FloatMultiply ask the step-size dialog
    // first, then report its outcome here.
    TStepDialogRequest StepDialogFor(TStepMenuAction action) const;
    TValueResponse FinishStepDialog(TStepMenuAction action, bool ok, double value);

    double PrevValue() const { return prevValue_; }
    int LastDir() const { return lastDir_; }

private:
    TValueStepMode stepMode_ = smIntRound;
    double prevValue_ = 0;
    int lastDir_ = 0;
};

// The preferred-number series a part's step mode steps through (2 % E48,
// 5 % E24, 10 % E12, 20 % E6); none for short, open and catalogue.
std::optional<TESeries> SeriesOfStepMode(TPartStepMode mode);
// One step of a part value up or down through its step mode's series (the
// value itself for a mode without a series).
double StepPartValue(double v, TPartStepMode mode, bool up);

// Entries of the tolerance menu of a part-value control.
enum class TToleranceAction { PC2, PC5, PC10, PC20, Short, Open, Separator, Cancel };
struct TToleranceMenuItem {
    std::string Caption;
    TToleranceAction Action;
    bool Checked = false;
};

class TPcsState {
public:
    TPcsState();

    TEditRealState Field;  // a TEditReal2

    double Value() const { return Field.RealValue(); }
    void SetValue(double v) { Field.SetRealValue(v); }
    TPartStepMode StepMode = smmPC10;
    bool AvoidSetFocus = false;
    bool Shorted() const { return shorted_; }
    bool Open() const { return open_; }

    // One step through the series of the tolerance; when short or open the
    // tolerance menu opens instead.
    TValueResponse Step(bool up);
    TValueResponse KeyUp(TValueKey key, std::string_view fieldText, int caret);

    std::vector<TToleranceMenuItem> ToleranceMenu() const;
    TValueResponse ChooseTolerance(TToleranceAction action);

private:
    bool shorted_ = false;
    bool open_ = false;
};

}  // namespace pelmo
