#include "gui/graphs/ValueDialog.h"

#include <QPushButton>

#include "gui/widgets/EditReal.h"

namespace pelmo {

TValueDialog::TValueDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setFixedSize(300, 41);
    QFont f = font();
    f.setBold(true);
    setFont(f);
    ers_ = new TEditRealSpin(this);
    ers_->setObjectName("ers");
    ers_->setGeometry(8, 10, 230, 22);
    // As created: 90 dB in -30 .. 200, semitone factor, half steps.
    ers_->SetMinValue(-30);
    ers_->SetMaxValue(200);
    ers_->SetEngUnits(true);
    ers_->SetDefNumChars(8);
    ers_->SetUnits("dB");
    ers_->SetShowUnits(true);
    ers_->SetStepMode(sm12345);
    ers_->SetRealMult(1.0594630943593);
    ers_->SetRealInc(0.5);
    ers_->SetCardInc(1);
    ers_->SetRealValue(90);
    btnOk_ = new QPushButton("ok", this);
    btnOk_->setGeometry(246, 9, 46, 24);
    btnOk_->setAutoDefault(false);
    connect(ers_, &TEditRealSpin::ValChange, this, [this](double v) {
        if (Callback) Callback(v);
    });
    connect(btnOk_, &QPushButton::clicked, this, &TValueDialog::btnOkClick);
}

void TValueDialog::btnOkClick() {
    // A refused entry (committed as the field lost the focus to the button)
    // keeps the dialog open with the field saying why.
    if (ers_->EditReal()->ShowsRefusal()) return;
    ers_->DoValChange();
    accept();
}

void TValueDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ers_->EditReal()->setFocus();
}

}  // namespace pelmo
