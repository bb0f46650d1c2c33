#include "gui/widgets/StepSizeDialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/widgets/EditReal.h"
#include "gui/widgets/WindowFit.h"
#include "values/ValueStepping.h"

namespace pelmo {

TStepSizeDialog::TStepSizeDialog(double* result, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), result_(result) {
    setWindowTitle(StepDialogCaption);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 8);
    column->setSpacing(2);
    upper_ = new QLabel(StepDialogIncrementLabel, this);
    lower_ = new QLabel(StepDialogLowerLabel, this);
    field_ = new TEditReal(this);
    field_->SetShowUnits(false);
    btnOk_ = new QPushButton("Ok", this);
    btnCancel_ = new QPushButton("Cancel", this);
    column->addWidget(upper_);
    column->addWidget(lower_);
    column->addSpacing(4);
    column->addWidget(field_);
    column->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnOk_);
    buttons->addWidget(btnCancel_);
    column->addLayout(buttons);
    // As small as the control's own pop-up was, larger where the labels
    // need it.
    SetSizeAtLeast(*this, QSize(200, 123), true);
    btnOk_->setAutoDefault(false);
    btnCancel_->setAutoDefault(false);
    connect(btnOk_, &QPushButton::clicked, this, &TStepSizeDialog::OkClick);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    // Enter on a valid number closes with that number.
    connect(field_, &TEditReal::ValChange, this, [this](double v) {
        if (result_) *result_ = v;
        accept();
    });
    field_->setFocus();
}

void TStepSizeDialog::SetUpperLabel(const QString& text) {
    upper_->setText(text);
    SetSizeAtLeast(*this, QSize(200, 123), true);
}

void TStepSizeDialog::PlaceBelow(QWidget* control) {
    const QPoint corner = control->mapToGlobal(QPoint(0, control->height()));
    QScreen* screen = control->screen() ? control->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const TScreenPoint p =
        StepDialogPosition({corner.x(), corner.y()}, width(), height(), avail.right() + 1, avail.bottom() + 1);
    move(p.X, p.Y);
}

void TStepSizeDialog::OkClick() {
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
