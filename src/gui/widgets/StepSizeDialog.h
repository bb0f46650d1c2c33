#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The small dialog in which the user sets the step size of a spin control.

namespace pelmo {

class TEditReal;

class TStepSizeDialog : public QDialog {
    Q_OBJECT
public:
    // `result` receives the accepted value.
    TStepSizeDialog(double* result, QWidget* parent = nullptr);

    TEditReal* Field() const { return field_; }
    QLabel* UpperLabel() const { return upper_; }
    void SetUpperLabel(const QString& text);
    // At the control's lower-left corner, kept on the screen.
    void PlaceBelow(QWidget* control);

    void OkClick();

private:
    double* result_;
    QLabel* upper_ = nullptr;
    QLabel* lower_ = nullptr;
    TEditReal* field_ = nullptr;
    QPushButton* btnOk_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

}  // namespace pelmo
