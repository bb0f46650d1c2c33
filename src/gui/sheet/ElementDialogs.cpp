#include "sheet/ElementDialogs.h"

#include <QApplication>
#include <QInputDialog>

#include "model/Elements.h"

namespace pelmo {

bool TNoElementDialogs::EditTextModal(TStext& text) {
    bool ok = false;
    const QString s =
        QInputDialog::getText(QApplication::activeWindow(), QStringLiteral("Text"), QStringLiteral("Text:"),
                              QLineEdit::Normal, QString::fromStdString(text.Text), &ok);
    if (ok) text.Text = s.toStdString();
    return ok;
}

}  // namespace pelmo
