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

    TEditRealSpin* ers() const { return ers_; }
    QPushButton* btnOk() const { return btnOk_; }
    // Receives every new value (optional).
    std::function<void(double)> Callback;

    // "ok": the value is raised once more, then the dialog closes with OK.
    void btnOkClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TEditRealSpin* ers_ = nullptr;
    QPushButton* btnOk_ = nullptr;
};

}  // namespace pelmo
