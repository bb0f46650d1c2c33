#include "app/Schem.h"

#include "document/Document.h"

namespace pelmo {

TSchem::TSchem(QWidget* parent) : QMainWindow(parent), design_(std::make_unique<TDesign>()) {
    UpdateCaption();
    resize(900, 650);
}

TSchem::~TSchem() = default;

void TSchem::UpdateCaption() { setWindowTitle(QString::fromStdString(CaptionFor(design_->FileName))); }

}  // namespace pelmo
