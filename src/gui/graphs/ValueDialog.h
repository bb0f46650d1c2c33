#pragma once

#include <QDialog>
#include <functional>

class QPushButton;

// The single-value dialog of the graph scale menus (and of the
// response-tails dialog): one spin control and "ok"; every value the control
// raises goes to the owner's callback at once, so the owner applies it live.

namespace pelmo {

class TEditRealSpin;

class TValueDialog : public QDialog {
    Q_OBJECT
public:
    explicit TValueDialog(QWidget* parent = nullptr);

    TEditRealSpin* Field() const { return field_; }
    QPushButton* OkButton() const { return okButton_; }
    // Receives every new value (optional).
    std::function<void(double)> Callback;

    // "ok": the value is raised once more, then the dialog closes with OK.
    void OkClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TEditRealSpin* field_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace pelmo
