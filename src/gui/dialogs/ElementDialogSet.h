#pragma once

#include <memory>
#include <vector>

#include "sheet/ElementDialogs.h"

class QWidget;
class QDialog;

// The element dialogs of the run, as the sheet editor reaches them: the
// component dialog for resistors, capacitors and inductors, the driver
// dialog, the source dialog, the block variables dialog for placed blocks,
// and the modal text dialog.

namespace pelmo {

class TBlockVariablesDialog;
class TComponentDialog;
class TDriverDialog;
class TSourceDialog;
class TTextDialog;
class TTuningHost;

class TElementDialogSet : public TElementDialogs {
public:
    TElementDialogSet(TTuningHost& host, QWidget* mainWindow);
    ~TElementDialogSet() override;

    bool ShowFor(TElementRef e) override;
    bool EditTextModal(TStext& text) override;
    void CloseAll() override;
    bool PointerOver(TElementRef current, QPoint globalPos) const override;
    void FocusField(TElementRef e) override;
    void FindPartNumber(TElementRef e) override;
    std::optional<TElementRef> TunedPart() const override;
    bool HasFocusedValueControl() const override;
    void StepFocusedControl(bool up) override;

    TComponentDialog& Component() { return *component_; }
    TDriverDialog& Driver() { return *driver_; }
    TSourceDialog& Source() { return *source_; }
    TBlockVariablesDialog& BlockVariables() { return *blockVariables_; }
    TTextDialog& Text() { return *text_; }

private:
    // The modeless dialog of an element kind, if it has one.
    const QDialog* DialogFor(TElementKind kind) const;
    std::vector<QDialog*> Modeless() const;

    std::unique_ptr<TComponentDialog> component_;
    std::unique_ptr<TDriverDialog> driver_;
    std::unique_ptr<TSourceDialog> source_;
    std::unique_ptr<TBlockVariablesDialog> blockVariables_;
    std::unique_ptr<TTextDialog> text_;
};

}  // namespace pelmo
