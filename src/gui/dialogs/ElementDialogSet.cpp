#include "dialogs/ElementDialogSet.h"

#include "blocks/BlockVariablesDialog.h"
#include "catalogue/DriverBrowser.h"
#include "catalogue/PartBrowser.h"
#include "dialogs/ComponentDialog.h"
#include "document/Session.h"

namespace pelmo {

TElementDialogSet::TElementDialogSet(TTuningHost& host, QWidget* mainWindow)
    : component_(std::make_unique<TComponentDialog>(host, mainWindow)),
      blockVariables_(std::make_unique<TBlockVariablesDialog>(host, mainWindow)),
      host_(host),
      mainWindow_(mainWindow) {
    // Where the element dialogs first show; they share the place from then on.
    component_->move(10, 10);
}

TElementDialogSet::~TElementDialogSet() = default;

bool TElementDialogSet::ShowFor(TElementRef e) {
    if (IsPartKind(e.Kind)) {
        component_->LoadPart(e.Kind, e.Index);
        if (!component_->Part()) return false;
        component_->show();
        component_->raise();
        return true;
    }
    if (e.Kind == TElementKind::Block) {
        if (!blockVariables_->LoadBlock(e.Index)) {
            blockVariables_->close();
            return false;
        }
        blockVariables_->show();
        blockVariables_->raise();
        return true;
    }
    return false;
}

bool TElementDialogSet::EditTextModal(TStext& text) { return plain_.EditTextModal(text); }

void TElementDialogSet::CloseAll() {
    component_->close();
    blockVariables_->close();
}

bool TElementDialogSet::PointerOver(TElementRef current, QPoint globalPos) const {
    const QDialog* open = nullptr;
    if (IsPartKind(current.Kind)) open = component_.get();
    if (current.Kind == TElementKind::Block) open = blockVariables_.get();
    return open && open->isVisible() && open->frameGeometry().contains(globalPos);
}

void TElementDialogSet::FocusField(TElementRef e) {
    if (IsPartKind(e.Kind) && e.Index >= 0) component_->FocusField();
    if (e.Kind == TElementKind::Block && e.Index >= 0) blockVariables_->FocusField();
}

void TElementDialogSet::FindPartNumber(TElementRef e) {
    if (IsPartKind(e.Kind) && component_->isVisible()) component_->FindPart();
}

void TElementDialogSet::SetCatalogue(TPartsCatalogue& catalogue) {
    if (partBrowser_) return;
    partBrowser_ = new TPartBrowser(host_.Session(), catalogue, component_.get());
    component_->SetCatalogue(&catalogue, partBrowser_);
    driverBrowser_ = new TDriverBrowser(host_.Session(), catalogue, mainWindow_);
}

bool TElementDialogSet::BrowserShowing() const {
    return (partBrowser_ && partBrowser_->isVisible()) || (driverBrowser_ && driverBrowser_->isVisible());
}

std::optional<TElementRef> TElementDialogSet::TunedPart() const {
    return component_->isVisible() ? component_->Part() : std::nullopt;
}

bool TElementDialogSet::HasFocusedValueControl() const {
    for (const QDialog* d :
         {static_cast<const QDialog*>(component_.get()), static_cast<const QDialog*>(blockVariables_.get())})
        if (d->isVisible() && FocusedValueControl(*d)) return true;
    return false;
}

void TElementDialogSet::StepFocusedControl(bool up) {
    for (QDialog* d : {static_cast<QDialog*>(component_.get()), static_cast<QDialog*>(blockVariables_.get())})
        if (d->isVisible() && StepFocusedValueControl(*d, up)) return;
}

}  // namespace pelmo
