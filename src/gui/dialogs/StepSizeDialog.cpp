#include "dialogs/StepSizeDialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "dialogs/EditReal.h"
#include "values/ValueStepping.h"

namespace pelmo {

TStepSizeDialog::TStepSizeDialog(double* result, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), result_(result) {
    setWindowTitle(StepDialogCaption);
    setFixedSize(200, 123);
    upper_ = new QLabel(StepDialogIncrementLabel, this);
    upper_->setGeometry(8, 6, 190, 16);
    lower_ = new QLabel(StepDialogLowerLabel, this);
    lower_->setGeometry(8, 24, 190, 16);
    field_ = new TEditReal(this);
    field_->SetShowUnits(false);
    field_->setGeometry(8, 46, 184, 22);
    btnOk_ = new QPushButton("Ok", this);
    btnOk_->setGeometry(8, 84, 88, 28);
    btnCancel_ = new QPushButton("Cancel", this);
    btnCancel_->setGeometry(104, 84, 88, 28);
    btnOk_->setAutoDefault(false);
    btnCancel_->setAutoDefault(false);
    connect(btnOk_, &QPushButton::clicked, this, &TStepSizeDialog::btnOkClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    // Enter on a valid number closes with that number.
    connect(field_, &TEditReal::ValChange, this, [this](double v) {
        if (result_) *result_ = v;
        accept();
    });
    field_->setFocus();
}

void TStepSizeDialog::SetUpperLabel(const QString& text) { upper_->setText(text); }

void TStepSizeDialog::PlaceBelow(QWidget* control) {
    const QPoint corner = control->mapToGlobal(QPoint(0, control->height()));
    QScreen* screen = control->screen() ? control->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const TScreenPoint p =
        StepDialogPosition({corner.x(), corner.y()}, width(), height(), avail.right() + 1, avail.bottom() + 1);
    move(p.X, p.Y);
}

void TStepSizeDialog::btnOkClick() {
    // Commit the typing first: a refused entry keeps the dialog open, the
    // field saying why.
    field_->blockSignals(true);
    const bool taken = field_->DblClick();
    field_->blockSignals(false);
    if (!taken) return;
    if (result_) *result_ = field_->RealValue();
    accept();
}

}  // namespace pelmo
