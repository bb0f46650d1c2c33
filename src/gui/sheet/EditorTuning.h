#pragma once

#include "gui/sheet/ElementDialogs.h"

namespace pelmo {

class TEditorController;
class TSheetView;
struct TEditorState;

// Tuning: an element's dialog is open and its values change while the
// pointer rests on the element. Starting and ending it, and what the
// element dialogs ask of the editor meanwhile.
class TEditorTuning : public TTuningHost {
public:
    TEditorTuning(TEditorController& editor, TEditorState& state, TSheetView& view);

    // Closes the element dialogs and tunes the current element: its dialog
    // opens (a text's modal one runs).
    void Start();
    // Closes the element dialogs and ends tuning.
    void Stop();

    TSession& Session() override;
    void RecheckPointer() override;
    void RecheckPointerAfterPartValue(const TPart& part) override;
    // Tuning ends: idle, the default cursor, and the tuning session (every
    // change since it began) becomes one undo step.
    void EndTuning() override;
    void CancelToIdle() override;
    void RepaintSheet() override;
    void MovePointerToGrid(TPoint grid) override;
    QRect ElementScreenRect(TElementRef e) const override;

private:
    void RecheckPointerFor(const TPart* changedPart);

    TEditorController& editor_;
    TEditorState& state_;
    TSheetView& view_;
};

}  // namespace pelmo
