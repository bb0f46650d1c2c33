#include "gui/app/GuiMessageSink.h"

#include <QMessageBox>

#include "document/Document.h"

namespace pelmo {

void TGuiMessageSink::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle, QString::fromStdString(text), QMessageBox::Ok, parent_);
    box.exec();
}

MessageSink::Answer TGuiMessageSink::Ask(const std::string& question, bool withCancel) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, ProgramTitle, QString::fromStdString(question), buttons, parent_);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return withCancel ? Answer::Cancel : Answer::No;
    }
}

}  // namespace pelmo
