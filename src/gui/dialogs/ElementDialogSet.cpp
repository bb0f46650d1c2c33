#include "dialogs/ElementDialogSet.h"

#include "blocks/BlockVariablesDialog.h"
#include "dialogs/ComponentDialog.h"
#include "dialogs/DriverDialog.h"
#include "dialogs/SourceDialog.h"
#include "dialogs/TextDialog.h"

namespace pelmo {

TElementDialogSet::TElementDialogSet(TTuningHost& host, QWidget* mainWindow)
    : component_(std::make_unique<TComponentDialog>(host, mainWindow)),
      driver_(std::make_unique<TDriverDialog>(host, mainWindow)),
      source_(std::make_unique<TSourceDialog>(host, mainWindow)),
      blockVariables_(std::make_unique<TBlockVariablesDialog>(host, mainWindow)),
      text_(std::make_unique<TTextDialog>(mainWindow)) {
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
    if (e.Kind == TElementKind::Driver) {
        driver_->LoadDriver(e.Index);
        if (!driver_->Loaded()) return false;
        driver_->show();
        driver_->raise();
        return true;
    }
    if (e.Kind == TElementKind::Source) {
        source_->LoadSource();
        source_->show();
        source_->raise();
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

bool TElementDialogSet::EditTextModal(TStext& text) {
    if (text_->Loaded()) return false;
    text_->Edit(text);
    return true;
}

std::vector<QDialog*> TElementDialogSet::Modeless() const {
    return {component_.get(), driver_.get(), source_.get(), blockVariables_.get()};
}

void TElementDialogSet::CloseAll() {
    for (QDialog* d : Modeless()) d->close();
}

const QDialog* TElementDialogSet::DialogFor(TElementKind kind) const {
    if (IsPartKind(kind)) return component_.get();
    switch (kind) {
        case TElementKind::Driver:
            return driver_.get();
        case TElementKind::Source:
            return source_.get();
        case TElementKind::Block:
            return blockVariables_.get();
        default:
            return nullptr;
    }
}

bool TElementDialogSet::PointerOver(TElementRef current, QPoint globalPos) const {
    const QDialog* open = DialogFor(current.Kind);
    return open && open->isVisible() && open->frameGeometry().contains(globalPos);
}

void TElementDialogSet::FocusField(TElementRef e) {
    if (e.Index < 0 && e.Kind != TElementKind::Source) return;
    if (IsPartKind(e.Kind)) component_->FocusField();
    if (e.Kind == TElementKind::Driver) driver_->FocusField();
    if (e.Kind == TElementKind::Source) source_->FocusField();
    if (e.Kind == TElementKind::Block) blockVariables_->FocusField();
}

void TElementDialogSet::FindPartNumber(TElementRef) {
    // The parts and driver browsers come with the catalogue's browsers.
}

std::optional<TElementRef> TElementDialogSet::TunedPart() const {
    return component_->isVisible() ? component_->Part() : std::nullopt;
}

bool TElementDialogSet::HasFocusedValueControl() const {
    for (const QDialog* d : Modeless())
        if (d->isVisible() && FocusedValueControl(*d)) return true;
    return false;
}

void TElementDialogSet::StepFocusedControl(bool up) {
    for (QDialog* d : Modeless())
        if (d->isVisible() && StepFocusedValueControl(*d, up)) return;
}

}  // namespace pelmo
