#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The window that shows a running catalogue update: the vendor and the file
// being fetched, and a Cancel button. It closes only when the update has
// ended; Cancel, Escape and the title bar's button ask it to stop, and the
// lists stay as they were.

namespace pelmo {

struct TUpdateProgress;

class TUpdateProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit TUpdateProgressDialog(QWidget* parent);

    // What the update fetches now.
    void ShowProgress(const TUpdateProgress& progress);
    // The update has ended: the dialog closes.
    void Finish();
    bool CancelRequested() const { return cancelRequested_; }

    QLabel* VendorText() const { return stVendor_; }
    QLabel* FileText() const { return stFile_; }
    QPushButton* CancelButton() const { return btnCancel_; }

signals:
    void CancelClicked();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* stVendor_ = nullptr;
    QLabel* stFile_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    bool cancelRequested_ = false;
    bool finished_ = false;
};

}  // namespace pelmo
