#include "gui/catalogue/UpdateProgressDialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "catalogue/CatalogueUpdate.h"

namespace pelmo {

TUpdateProgressDialog::TUpdateProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("UpdateProgress");
    setWindowTitle("Updating the parts catalogue");
    setWindowModality(Qt::ApplicationModal);
    setMinimumWidth(460);

    auto* column = new QVBoxLayout(this);
    auto* head = new QLabel("Fetching the parts lists from the catalogue server...", this);
    stVendor_ = new QLabel(this);
    stVendor_->setObjectName("stVendor");
    stFile_ = new QLabel(this);
    stFile_->setObjectName("stFile");
    // Long URLs are cut in the middle rather than widening the window.
    stFile_->setMinimumWidth(420);
    stFile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    btnCancel_ = new QPushButton("Cancel", this);
    btnCancel_->setObjectName("btnCancel");
    column->addWidget(head);
    column->addWidget(stVendor_);
    column->addWidget(stFile_);
    column->addWidget(btnCancel_, 0, Qt::AlignRight);
    connect(btnCancel_, &QPushButton::clicked, this, &TUpdateProgressDialog::reject);
}

void TUpdateProgressDialog::ShowProgress(const TUpdateProgress& p) {
    if (cancelRequested_) return;
    QString what = p.Vendor.empty() ? QString("Catalogue index")
                                    : QString("Vendor %1 (%2 of %3)")
                                          .arg(QString::fromStdString(p.Vendor))
                                          .arg(p.VendorIndex)
                                          .arg(p.VendorCount);
    if (p.Lines > 0) what += QString(", line %1 of %2").arg(p.Line).arg(p.Lines);
    stVendor_->setText(what);
    const QString url = QString::fromStdString(p.Url);
    stFile_->setText(fontMetrics().elidedText(url, Qt::ElideMiddle, stFile_->width()));
    stFile_->setToolTip(url);
}

void TUpdateProgressDialog::Finish() {
    finished_ = true;
    accept();
}

void TUpdateProgressDialog::reject() {
    // The dialog waits for the update to stop; it closes when it has.
    if (finished_) {
        QDialog::reject();
        return;
    }
    if (cancelRequested_) return;
    cancelRequested_ = true;
    btnCancel_->setEnabled(false);
    stVendor_->setText("Cancelling; the parts lists stay as they were.");
    emit CancelClicked();
}

void TUpdateProgressDialog::closeEvent(QCloseEvent* event) {
    if (finished_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    reject();
}

}  // namespace pelmo
