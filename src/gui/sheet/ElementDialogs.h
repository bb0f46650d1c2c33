#pragma once

#include <QPoint>
#include <optional>

#include "editor/SheetEdit.h"

namespace pelmo {

struct TStext;

// What the sheet editor needs of the element dialogs (component, driver,
// source, text, block variables). TElementDialogSet implements it; the
// stand-in below opens none and edits texts in a plain input box.
class TElementDialogs {
public:
    virtual ~TElementDialogs() = default;
    // Loads and shows the modeless dialog of the element; false when the kind
    // has none.
    virtual bool ShowFor(TElementRef e) = 0;
    // The modal text dialog on a text element; false when cancelled.
    virtual bool EditTextModal(TStext& text) = 0;
    // Asks the four modeless dialogs to close.
    virtual void CloseAll() = 0;
    // True when the open dialog of the current element's kind lies under the
    // screen point.
    virtual bool PointerOver(TElementRef current, QPoint globalPos) const = 0;
    // Hands the keyboard focus to the dialog's field for the element's kind.
    virtual void FocusField(TElementRef e) = 0;
    // The part-number search of the element's dialog.
    virtual void FindPartNumber(TElementRef e) = 0;
    // The part the component dialog holds, when it is open.
    virtual std::optional<TElementRef> TunedPart() const { return std::nullopt; }
    // Whether the value control of an open element dialog holds the keyboard
    // focus; while tuning it takes every wheel turn, wherever the pointer is.
    virtual bool HasFocusedValueControl() const { return false; }
    // One step of that control.
    virtual void StepFocusedControl(bool up) { (void)up; }
    // Whether a catalogue browser is up (the pointer shows the arrow).
    virtual bool BrowserShowing() const { return false; }
};

class TNoElementDialogs : public TElementDialogs {
public:
    bool ShowFor(TElementRef) override { return false; }
    bool EditTextModal(TStext& text) override;
    void CloseAll() override {}
    bool PointerOver(TElementRef, QPoint) const override { return false; }
    void FocusField(TElementRef) override {}
    void FindPartNumber(TElementRef) override {}
};

}  // namespace pelmo
