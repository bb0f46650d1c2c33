#include "gui/pictures/PictureDialogs.h"

#include <QCursor>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "gui/pictures/PictureFile.h"

namespace pelmo {

QString ChoosePictureFileDialog(QWidget* parent) {
    QFileDialog dialog(parent, QString::fromLatin1(SavePictureTitle), QString(),
                       QString::fromLatin1(SavePictureFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromLatin1(SavePictureSuffix));
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

bool ChoosePrinterDialog(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

TPointerKeeper::TPointerKeeper() : pos_(QCursor::pos()) {}

TPointerKeeper::~TPointerKeeper() {
    if (QCursor::pos() != pos_) QCursor::setPos(pos_);
}

}  // namespace pelmo
