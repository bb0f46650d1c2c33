#pragma once

#include <memory>

#include "sheet/ElementDialogs.h"

class QWidget;

// The element dialogs of the run, as the sheet editor reaches them: the
// component dialog for resistors, capacitors and inductors and the block
// variables dialog for placed blocks. Texts are edited in a plain input box
// and the source and drivers have no dialog yet.

namespace pelmo {

class TBlockVariablesDialog;
class TComponentDialog;
class TDriverBrowser;
class TPartBrowser;
class TPartsCatalogue;
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
    bool BrowserShowing() const override;

    // The catalogue behind the part-number searches and the pictures; the
    // browsers are made here.
    void SetCatalogue(TPartsCatalogue& catalogue);
    TPartBrowser* PartBrowser() { return partBrowser_; }
    TDriverBrowser* DriverBrowser() { return driverBrowser_; }

    TComponentDialog& Component() { return *component_; }
    TBlockVariablesDialog& BlockVariables() { return *blockVariables_; }

private:
    TNoElementDialogs plain_;
    std::unique_ptr<TComponentDialog> component_;
    std::unique_ptr<TBlockVariablesDialog> blockVariables_;
    TTuningHost& host_;
    QWidget* mainWindow_ = nullptr;
    TPartBrowser* partBrowser_ = nullptr;  // over the component dialog, which owns it
    TDriverBrowser* driverBrowser_ = nullptr;
};

}  // namespace pelmo
