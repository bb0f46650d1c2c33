#pragma once

#include <QDialog>
#include <QRect>
#include <functional>
#include <optional>

#include "editor/SheetEdit.h"
#include "gui/sheet/ElementDialogs.h"
#include "model/Geometry.h"

// What the element dialogs (component, driver, source, block variables)
// have in common: tool windows that stay on top, one shown at a time, one
// shared screen position, a Loaded flag from being filled until they close,
// and the editor they report to.

namespace pelmo {

// The value control (a part-value control or a spin control) of the dialog
// that holds the keyboard focus, if any; and one step of it.
QWidget* FocusedValueControl(const QWidget& dialog);
bool StepFocusedValueControl(const QWidget& dialog, bool up);

class TElementDialog : public QDialog {
    Q_OBJECT
public:
    TElementDialog(TTuningHost& host, QWidget* parent);
    ~TElementDialog() override;

    bool Loaded() const { return loaded_; }
    // A change written into the design: marks it modified, lets the editor
    // re-check the pointer, then solves.
    void ChangeWritten();
    // The same for a new value or ESR of a part.
    void PartValueWritten(const TPart& part);

    // Every way of closing ends here (the title bar's button, Escape,
    // close()): the dialog stores what it keeps, hides, and tuning ends.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    // Over the dialog, the wheel steps its focused value control.
    void wheelEvent(QWheelEvent* event) override;
    // Whether the dialog may close now (a browser it opened may keep it).
    virtual bool CanClose() const { return true; }
    // What a dialog stores when it closes, before tuning ends.
    virtual void Closing() {}
    // The number fields act on released keys: Enter commits what was typed
    // in the field (commit is given the field), then the dialog closes unless
    // the commit refused the value (the field then says why and the dialog
    // stays); Escape closes it. True when the event was one of them.
    bool CloseOnReleasedKey(QObject* watched, QEvent* event, const std::function<bool(QObject*)>& commit);
    // The commit of a dialog whose number fields are all spin controls.
    static bool CommitNumberField(QObject* field);
    // Enter and Escape pressed on the dialog itself close it.
    bool CloseOnKeyPress(QKeyEvent* event);

    TTuningHost& host_;
    bool loaded_ = false;

private:
    bool following_ = false;  // moving along with another dialog
    int wheelRest_ = 0;
};

}  // namespace pelmo
