#pragma once

#include <QPoint>
#include <optional>

#include "editor/SheetEdit.h"

namespace pelmo {

struct TStext;

// What the sheet editor needs of the element dialogs (component, driver,
// source, text, block variables). TElementDialogSet implements it; this base
// has none (the editor uses it while the window's own set is not there, as
// when the window closes).
class TElementDialogs {
public:
    virtual ~TElementDialogs() = default;
    // Loads and shows the modeless dialog of the element; false when the kind
    // has none.
    virtual bool ShowFor(TElementRef) { return false; }
    // The modal text dialog on a text element; false when it did not run (it
    // is open already). However it closes, the text takes what it shows.
    virtual bool EditTextModal(TStext&) { return false; }
    // Asks the four modeless dialogs to close.
    virtual void CloseAll() {}
    // True when the open dialog of the current element's kind lies under the
    // screen point.
    virtual bool PointerOver(TElementRef, QPoint) const { return false; }
    // Hands the keyboard focus to the dialog's field for the element's kind.
    virtual void FocusField(TElementRef) {}
    // The part-number search of the element's dialog.
    virtual void FindPartNumber(TElementRef) {}
    // The part the component dialog holds, when it is open.
    virtual std::optional<TElementRef> TunedPart() const { return std::nullopt; }
    // Whether the value control of an open element dialog holds the keyboard
    // focus; while tuning it takes every wheel turn, wherever the pointer is.
    virtual bool HasFocusedValueControl() const { return false; }
    // One step of that control.
    virtual void StepFocusedControl(bool up) { (void)up; }
};

}  // namespace pelmo
