#include "gui/app/SnapshotCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>

#include "base/MessageSink.h"
#include "gui/pictures/PictureDialogs.h"
#include "gui/pictures/PictureFile.h"
#include "gui/pictures/PictureOutput.h"
#include "gui/sheet/SheetPicture.h"
#include "gui/sheet/SheetView.h"

namespace pelmo {

TSnapshotCommands::TSnapshotCommands(TSheetView& view, MessageSink& messages, QWidget* window)
    : QObject(window), view_(view), messages_(messages), window_(window) {
    ChoosePictureFile = ChoosePictureFileDialog;
    ChoosePrinter = ChoosePrinterDialog;
}

QMenu* TSnapshotCommands::AddMenu(QMenu* file) {
    menu_ = file->addMenu("Snapshot");
    menu_->setObjectName("Snapshot");
    QMenu* toFile = menu_->addMenu("To picture file");
    toFile->addAction("Large", this, [this] { ToFile(LargeFactor); });
    toFile->addAction("As Shown", this, [this] { ToFile(AsShownFactor); });
    toFile->addAction("Forum post", this, [this] { ToFile(ForumPostFactor); });
    QMenu* clipboard = menu_->addMenu("To clipboard");
    clipboard->addAction("As bitmap", this, [this] { ToClipboard(false); });
    clipboard->addAction("As vector graphic", this, [this] { ToClipboard(true); });
    menu_->addAction("Print", this, [this] { Print(); });
    return menu_;
}

void TSnapshotCommands::ToFile(double factor) {
    const TPointerKeeper pointer;
    const QString path = ChoosePictureFile ? ChoosePictureFile(window_) : QString();
    if (path.isEmpty()) return;
    view_.FitAll();
    const TPictureResult written = WritePictureFile(SheetPicture(view_), path, factor, ScreenDpi());
    if (!written.Ok) messages_.ShowMessage(written.Message.toStdString());
}

void TSnapshotCommands::ToClipboard(bool vector) {
    const TPointerKeeper pointer;
    view_.FitAll();
    QString why;
    QMimeData* data = PictureMimeData(SheetPicture(view_), vector, &why);
    if (!data) {
        messages_.ShowMessage(why.toStdString());
        return;
    }
    QApplication::clipboard()->setMimeData(data);
}

void TSnapshotCommands::Print() {
    QPrinter printer;
    if (!ChoosePrinter || !ChoosePrinter(window_, printer)) return;
    const TPointerKeeper pointer;
    view_.FitAll();
    QString why;
    if (!PrintPicture(printer, SheetPicture(view_), &why)) messages_.ShowMessage(why.toStdString());
}

}  // namespace pelmo
