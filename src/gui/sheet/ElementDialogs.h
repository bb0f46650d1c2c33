#pragma once

#include <QPoint>
#include <QRect>
#include <optional>

#include "editor/SheetEdit.h"
#include "model/Geometry.h"

namespace pelmo {

class TSession;
struct TPart;
struct TSheetText;

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
    virtual bool EditTextModal(TSheetText&) { return false; }
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
    // Whether a catalogue browser is up (the pointer shows the arrow).
    virtual bool BrowserShowing() const { return false; }
};

// The editor's side of tuning, as the element dialogs see it: the sheet
// defines it, the dialogs report to it.
class TTuningHost {
public:
    virtual ~TTuningHost() = default;
    virtual TSession& Session() = 0;
    // After a dialog wrote a change into the design, before the solve: the
    // element under the pointer may end tuning.
    virtual void RecheckPointer() = 0;
    // The same after a new value or ESR of a part outside any block: when
    // the pointer check changes nothing else, only the part's labels are
    // drawn again.
    virtual void RecheckPointerAfterPartValue(const TPart& part) = 0;
    // A dialog closed (any way it was closed).
    virtual void EndTuning() = 0;
    // The dialog's "close" button: the whole editor back to idle.
    virtual void CancelToIdle() = 0;
    virtual void RepaintSheet() = 0;
    // Puts the mouse pointer onto a grid point of the sheet, which becomes the
    // editor's last pointer position.
    virtual void MovePointerToGrid(TPoint grid) = 0;
    // Where the element shows on the screen (symbol and labels), clipped to
    // the visible sheet; empty when it is not shown.
    virtual QRect ElementScreenRect(TElementRef) const { return {}; }
};

}  // namespace pelmo
