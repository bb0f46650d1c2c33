#pragma once

#include <optional>
#include <string>

#include "editor/SheetEdit.h"
#include "model/Elements.h"

// The rules of tuning that need no window: which control of an element's
// dialog takes the keyboard focus, what a value change in a dialog does to
// the editor's current element, and how the component dialog shows and
// writes a part's values.

namespace pelmo {

struct TDesign;

// The control of the component dialog the user worked with last.
enum class TComponentControl { Value, StatePanel, RefDes };

// The control of an open element dialog that receives the keyboard focus
// when the sheet hands it over.
enum class TFocusTarget {
    None,
    PartValue,       // the value control (a free part in the circuit)
    PartBoundValue,  // the bound value's text (a part bound to a catalogue part)
    PartRefDes,      // the designator (a shorted or open part: the wheel steps nothing)
    SourceDelay,     // the source dialog's "overall delay added"
    DriverName,      // the driver dialog's name field
    BlockVariable,   // the first visible variable spinner of a block
};

// For the current element of the kind; the part's state and binding and the
// component dialog's last-used control matter for parts only.
TFocusTarget FocusTargetFor(TElementKind kind, TPartState state, bool bound, TComponentControl lastUsed);

// What the editor does after a dialog wrote a change and before the solve.
enum class TRecheckAction {
    Repaint,           // keep tuning
    SwitchAndRepaint,  // the element under the pointer becomes current; it is the tuned part
    EndTuning,         // the element under the pointer becomes current and tuning ends
};
struct TRecheck {
    TRecheckAction Action = TRecheckAction::Repaint;
    TElementRef NewCurrent;
};
// `under` is the element at the last pointer position (HitTest), only when
// the pointer really is over the sheet; `tunedPart` the part the component
// dialog holds, if any.
TRecheck RecheckPointer(bool pointerOverDialog, std::optional<TElementRef> under, TElementRef current,
                        std::optional<TElementRef> tunedPart);

// How the component dialog shows a part: its value in the unit of its kind
// (ohms, microfarads, millihenries), the texts over the controls.
struct TPartDisplay {
    std::string Title;        // "R1", "C2", "L3"
    std::string ValueUnit;    // "R", "uF", "mH"
    double ValueScale = 1;    // shown value = Value x ValueScale
    std::string EsrCaption;   // "ESR" or "Power"
    std::string EsrUnit;      // "R" or "W"
    bool EsrIntOnly = false;  // whole watts
    double EsrMin = 1e-9;
    double Esr = 0;                // the ESR or the power rating in the control
    bool Bound = false;            // bound to a catalogue part
    bool ShowStaticTexts = false;  // bound or not in the circuit normally
    std::string ValueText;         // over the value control
    std::string EsrText;           // over the ESR control
    std::string PartNumberText;    // "Vendor #PartNumber"
};
TPartDisplay DisplayOfPart(const TPart& p);

// The part's value as the value control shows it, and back: the shown value
// of an edit divided by the scale (so 5.6 uF is stored as the double nearest
// to 5.6e-6, not 5.6 x 1e-6).
double ShownPartValue(const TPart& p);
double StoredPartValue(TPartType type, double shown);

// A value or ESR/rating change from the dialog: nothing when the part is
// shorted or open (the dialog shows its value again) or when nothing
// changed. True when the part changed.
bool ApplyPartValue(TPart& p, double shownValue);
bool ApplyPartEsr(TPart& p, double esrOrRating);

// A block-designer expression of a member part, checked against the block
// under design: its variable names and "pi" are known. The evaluator's
// message when the expression is not valid, else nothing. An empty text is
// valid (no expression).
std::optional<std::string> CheckMemberExpression(const TCircuitBlock& header, const std::string& expression);

}  // namespace pelmo
