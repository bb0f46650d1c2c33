#include "gui/graphs/ValueDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <algorithm>

#include "gui/widgets/EditReal.h"

namespace pelmo {

TValueDialog::TValueDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    QFont f = font();
    f.setBold(true);
    setFont(f);
    field_ = new TEditRealSpin(this);
    field_->setObjectName("ers");
    field_->setMinimumSize(230, 22);
    // As created: 90 dB in -30 .. 200, semitone factor, half steps.
    field_->SetMinValue(-30);
    field_->SetMaxValue(200);
    field_->SetEngUnits(true);
    field_->SetDefNumChars(8);
    field_->SetUnits("dB");
    field_->SetShowUnits(true);
    field_->SetStepMode(sm12345);
    field_->SetRealMult(1.0594630943593);
    field_->SetRealInc(0.5);
    field_->SetCardInc(1);
    field_->SetRealValue(90);
    okButton_ = new QPushButton("ok", this);
    okButton_->setFixedSize(std::max(46, okButton_->fontMetrics().horizontalAdvance("ok") + 16), 24);
    okButton_->setAutoDefault(false);
    // One row: the field, then "ok"; 300 x 41 at the desktop font, wider
    // where a larger font needs it.
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 9, 8, 8);
    row->setSpacing(8);
    row->addWidget(field_, 1, Qt::AlignVCenter);
    row->addWidget(okButton_, 0, Qt::AlignVCenter);
    row->setSizeConstraint(QLayout::SetFixedSize);
    connect(field_, &TEditRealSpin::ValChange, this, [this](double v) {
        if (Callback) Callback(v);
    });
    connect(okButton_, &QPushButton::clicked, this, &TValueDialog::OkClick);
}

void TValueDialog::OkClick() {
    // A refused entry (committed as the field lost the focus to the button)
    // keeps the dialog open with the field saying why.
    if (field_->EditReal()->ShowsRefusal()) return;
    field_->DoValChange();
    accept();
}

void TValueDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    field_->EditReal()->setFocus();
}

}  // namespace pelmo
