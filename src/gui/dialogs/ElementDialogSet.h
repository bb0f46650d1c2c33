#pragma once

#include <memory>
#include <vector>

#include "gui/sheet/ElementDialogs.h"

class QWidget;
class QDialog;

// The element dialogs of the run, as the sheet editor reaches them: the
// component dialog for resistors, capacitors and inductors, the driver
// dialog, the source dialog, the block variables dialog for placed blocks,
// and the modal text dialog.

namespace pelmo {

class TBlockVariablesDialog;
class TComponentDialog;
class TDriverBrowser;
class TPartBrowser;
class TPartsCatalogue;
class TDriverDialog;
class TElementDialog;
class TSourceDialog;
class TTextDialog;
class TTuningHost;

class TElementDialogSet : public TElementDialogs {
public:
    TElementDialogSet(TTuningHost& host, QWidget* mainWindow);
    ~TElementDialogSet() override;

    bool ShowFor(TElementRef e) override;
    bool EditTextModal(TSheetText& text) override;
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
    TDriverDialog& Driver() { return *driver_; }
    TSourceDialog& Source() { return *source_; }
    TBlockVariablesDialog& BlockVariables() { return *blockVariables_; }
    TTextDialog& Text() { return *text_; }

private:
    // Shows the dialog where it hides neither the element nor leaves the screen.
    void ShowPlaced(TElementDialog& dialog, TElementRef e);
    // The modeless dialog of an element kind, if it has one.
    const QDialog* DialogFor(TElementKind kind) const;
    std::vector<QDialog*> Modeless() const;

    std::unique_ptr<TComponentDialog> component_;
    std::unique_ptr<TDriverDialog> driver_;
    std::unique_ptr<TSourceDialog> source_;
    std::unique_ptr<TBlockVariablesDialog> blockVariables_;
    std::unique_ptr<TTextDialog> text_;
    TTuningHost& host_;
    QWidget* mainWindow_ = nullptr;
    bool placed_ = false;                      // the dialogs have had a place on the screen
    TPartBrowser* partBrowser_ = nullptr;      // over the component dialog, which owns it
    TDriverBrowser* driverBrowser_ = nullptr;  // over the driver dialog, which owns it
};

}  // namespace pelmo
