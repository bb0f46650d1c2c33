#include "app/OptionsDialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/WindowFit.h"

namespace pelmo {

TOptionsDialog::TOptionsDialog(TSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setObjectName("OptionsForm");
    setWindowTitle("Options");

    auto* column = new QVBoxLayout(this);

    auto* parts = new QGroupBox("Parts catalogue", this);
    auto* partsColumn = new QVBoxLayout(parts);
    cbStartupParts_ = new QCheckBox("Look for Parts updates on start", parts);
    cbStartupParts_->setObjectName("cbStartupParts");
    auto* server = new QFormLayout;
    eServer_ = new QLineEdit(parts);
    eServer_->setObjectName("eServer");
    eServer_->setPlaceholderText("the generic catalogue that comes with Pelmo");
    eServer_->setToolTip(
        "The address of a catalogue server (http, https or a folder); leave it empty for the\n"
        "generic catalogue installed with Pelmo, which needs no network.");
    server->addRow("Catalogue server:", eServer_);
    stCatalogue_ = new QLabel(parts);
    stCatalogue_->setObjectName("stCatalogue");
    stCatalogue_->setWordWrap(true);
    btnPartsNow_ = new QPushButton("Check for Parts updates now", parts);
    btnPartsNow_->setObjectName("btnPartsNow");
    partsColumn->addWidget(cbStartupParts_);
    partsColumn->addLayout(server);
    partsColumn->addWidget(stCatalogue_);
    partsColumn->addWidget(btnPartsNow_, 0, Qt::AlignLeft);

    auto* program = new QGroupBox("Pelmo", this);
    auto* programColumn = new QVBoxLayout(program);
    cbStartupApp_ = new QCheckBox("Look for Pelmo update on start", program);
    cbStartupApp_->setObjectName("cbStartupApp");
    auto* note = new QLabel(
        "Pelmo only compares its version with the one the catalogue server names; new versions are installed with "
        "the system's packages.",
        program);
    note->setWordWrap(true);
    btnAppNow_ = new QPushButton("Check for Pelmo update now", program);
    btnAppNow_->setObjectName("btnAppNow");
    programColumn->addWidget(cbStartupApp_);
    programColumn->addWidget(note);
    programColumn->addWidget(btnAppNow_, 0, Qt::AlignLeft);

    stResult_ = new QLabel(this);
    stResult_->setObjectName("stResult");
    stResult_->setWordWrap(true);
    btnClose_ = new QPushButton("Close", this);
    btnClose_->setObjectName("btnClose");
    btnClose_->setDefault(true);

    column->addWidget(parts);
    column->addWidget(program);
    column->addWidget(stResult_);
    column->addWidget(btnClose_, 0, Qt::AlignRight);

    connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnPartsNow_, &QPushButton::clicked, this, [this] {
        Store();
        if (UpdatePartsNow) UpdatePartsNow();
    });
    connect(btnAppNow_, &QPushButton::clicked, this, [this] {
        Store();
        if (CheckProgramNow) CheckProgramNow();
    });
    Load();
    // About as wide as its longest caption; the check results wrap in it,
    // and it grows to show them whole.
    column->activate();
    resize(480, column->hasHeightForWidth() ? column->totalHeightForWidth(480) : sizeHint().height());
    KeepTallEnoughForTexts(*this);
}

void TOptionsDialog::Load() {
    cbStartupParts_->setChecked(settings_.StartupParts);
    cbStartupApp_->setChecked(settings_.StartupApp);
    eServer_->setText(QString::fromStdString(settings_.CatalogueServer));
    SetCheckResult({});
}

void TOptionsDialog::SetCatalogueStatus(const QString& text) { stCatalogue_->setText(text); }
void TOptionsDialog::SetCheckResult(const QString& text) {
    stResult_->setText(text);
    // No empty line's room until there is a result.
    stResult_->setVisible(!text.isEmpty());
}

void TOptionsDialog::Store() {
    settings_.StartupParts = cbStartupParts_->isChecked();
    settings_.StartupApp = cbStartupApp_->isChecked();
    settings_.CatalogueServer = eServer_->text().trimmed().toStdString();
    if (SettingsChanged) SettingsChanged();
}

void TOptionsDialog::done(int result) {
    Store();
    QDialog::done(result);
}

}  // namespace pelmo
