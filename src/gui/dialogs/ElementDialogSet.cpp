#include "gui/dialogs/ElementDialogSet.h"

#include <QScreen>

#include "document/Session.h"
#include "editor/ElementDialogRules.h"
#include "gui/catalogue/DriverBrowser.h"
#include "gui/catalogue/PartBrowser.h"
#include "gui/dialogs/BlockVariablesDialog.h"
#include "gui/dialogs/ComponentDialog.h"
#include "gui/dialogs/DriverDialog.h"
#include "gui/dialogs/SourceDialog.h"
#include "gui/dialogs/TextDialog.h"

namespace pelmo {

TElementDialogSet::TElementDialogSet(TTuningHost& host, QWidget* mainWindow)
    : component_(std::make_unique<TComponentDialog>(host, mainWindow)),
      driver_(std::make_unique<TDriverDialog>(host, mainWindow)),
      source_(std::make_unique<TSourceDialog>(host, mainWindow)),
      blockVariables_(std::make_unique<TBlockVariablesDialog>(host, mainWindow)),
      text_(std::make_unique<TTextDialog>(mainWindow)),
      host_(host),
      mainWindow_(mainWindow) {}

TElementDialogSet::~TElementDialogSet() = default;

void TElementDialogSet::ShowPlaced(TElementDialog& dialog, TElementRef e) {
    // The dialogs share one place; it moves only when it would hide the
    // element or leave the screen.
    const QScreen* sc = mainWindow_->screen();
    const QRect avail = sc ? sc->availableGeometry() : QRect(0, 0, 1920, 1080);
    const QRect frame = mainWindow_->frameGeometry();
    const QRect element = host_.ElementScreenRect(e);
    const auto rect = [](const QRect& r) { return TScreenRect{r.x(), r.y(), r.width(), r.height()}; };
    std::optional<TScreenRect> current;
    if (placed_) current = rect(QRect(dialog.pos(), dialog.frameGeometry().size()));
    const QSize size = dialog.frameGeometry().size();
    const TScreenRect r =
        PlaceElementDialog(current, size.width(), size.height(), rect(frame), rect(element), rect(avail));
    dialog.move(r.X, r.Y);
    placed_ = true;
    dialog.show();
    dialog.raise();
}

bool TElementDialogSet::ShowFor(TElementRef e) {
    if (IsPartKind(e.Kind)) {
        component_->LoadPart(e.Kind, e.Index);
        if (!component_->Part()) return false;
        ShowPlaced(*component_, e);
        return true;
    }
    if (e.Kind == TElementKind::Driver) {
        driver_->LoadDriver(e.Index);
        if (!driver_->Loaded()) return false;
        ShowPlaced(*driver_, e);
        return true;
    }
    if (e.Kind == TElementKind::Source) {
        source_->LoadSource();
        ShowPlaced(*source_, e);
        return true;
    }
    if (e.Kind == TElementKind::Block) {
        if (!blockVariables_->LoadBlock(e.Index)) {
            blockVariables_->close();
            return false;
        }
        ShowPlaced(*blockVariables_, e);
        return true;
    }
    return false;
}

bool TElementDialogSet::EditTextModal(TSheetText& text) {
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

void TElementDialogSet::FindPartNumber(TElementRef e) {
    if (IsPartKind(e.Kind) && component_->isVisible()) component_->FindPart();
    if (e.Kind == TElementKind::Driver && driver_->isVisible()) driver_->FindPart();
}

void TElementDialogSet::SetCatalogue(TPartsCatalogue& catalogue) {
    if (partBrowser_) return;
    partBrowser_ = new TPartBrowser(host_.Session(), catalogue, component_.get());
    component_->SetCatalogue(&catalogue, partBrowser_);
    driverBrowser_ = new TDriverBrowser(host_.Session(), catalogue, driver_.get());
    driver_->SetCatalogue(&catalogue, driverBrowser_);
}

bool TElementDialogSet::BrowserShowing() const {
    return (partBrowser_ && partBrowser_->isVisible()) || (driverBrowser_ && driverBrowser_->isVisible());
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
