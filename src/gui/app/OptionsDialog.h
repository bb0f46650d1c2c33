#pragma once

#include <QDialog>
#include <functional>

#include "document/Settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The options: whether Pelmo looks for catalogue and program updates when
// it starts, which catalogue server it asks, and the two checks on demand.
// It edits the settings it is given; the main window writes them whenever
// the dialog closes or starts an update.

namespace pelmo {

class TOptionsDialog : public QDialog {
    Q_OBJECT
public:
    TOptionsDialog(TSettings& settings, QWidget* parent);

    // Shows the settings in the controls (before every showing).
    void Load();
    // A line about the catalogue in memory, and the last check's result.
    void SetCatalogueStatus(const QString& text);
    void SetCheckResult(const QString& text);

    // "Check for Parts updates now" and "Check for Pelmo update now".
    std::function<void()> UpdatePartsNow;
    std::function<void()> CheckProgramNow;
    // The settings changed (written by the owner).
    std::function<void()> SettingsChanged;

    QCheckBox* StartupPartsBox() const { return cbStartupParts_; }
    QCheckBox* StartupAppBox() const { return cbStartupApp_; }
    QLineEdit* ServerField() const { return eServer_; }
    QPushButton* UpdatePartsButton() const { return btnPartsNow_; }
    QPushButton* CheckProgramButton() const { return btnAppNow_; }
    QPushButton* CloseButton() const { return btnClose_; }
    QLabel* CheckResult() const { return stResult_; }

    void done(int result) override;

private:
    void Store();

    TSettings& settings_;
    QCheckBox* cbStartupParts_ = nullptr;
    QCheckBox* cbStartupApp_ = nullptr;
    QLineEdit* eServer_ = nullptr;
    QPushButton* btnPartsNow_ = nullptr;
    QPushButton* btnAppNow_ = nullptr;
    QPushButton* btnClose_ = nullptr;
    QLabel* stCatalogue_ = nullptr;
    QLabel* stResult_ = nullptr;
};

}  // namespace pelmo
