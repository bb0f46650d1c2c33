#pragma once

#include <QPoint>
#include <QString>

class QPrinter;
class QWidget;

// The dialogs and the pointer handling that the picture commands of the
// sheet and of the graph windows share.

namespace pelmo {

// "Save Snapshot graphic to:": the chosen path, empty when cancelled. It
// asks before overwriting and needs an existing folder.
QString ChoosePictureFileDialog(QWidget* parent);

// The platform's print dialog; false when cancelled.
bool ChoosePrinterDialog(QWidget* parent, QPrinter& printer);

// Puts the mouse pointer back where it was when this was made, however the
// command ends.
class TPointerKeeper {
public:
    TPointerKeeper();
    ~TPointerKeeper();
    TPointerKeeper(const TPointerKeeper&) = delete;
    TPointerKeeper& operator=(const TPointerKeeper&) = delete;

private:
    QPoint pos_;
};

}  // namespace pelmo
