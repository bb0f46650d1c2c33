#pragma once

#include "gui/dialogs/ElementDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QWidget;

// The driver dialog ("Select Driver"): one driver's name, polarity, muting,
// level in dB and delay as a distance, its response (FRD) and impedance
// (ZMA) files, whether the response's phase is used as measured or derived
// from its level (through the response-tails dialog), an optional acoustic
// effect file, and its catalogue binding. Every change goes straight into
// the driver and is solved. The dialog keeps no pointer to the driver: it
// finds it by index at every write.
//
// A file that cannot be read leaves the driver's data as it was (with the
// reader's messages); a cancelled chooser changes nothing; the small "x"
// beside a file box takes the driver back to the default data.

namespace pelmo {

class TClickableText;
class TDriverPlacementFields;
class TDriverBrowser;
class TPartsCatalogue;
class TEditRealSpin;
class TDelayUnitChoice;
struct TDriver;

class TDriverDialog : public TElementDialog {
    Q_OBJECT
public:
    TDriverDialog(TTuningHost& host, QWidget* parent);

    // Fills every control from the driver at the index; writes nothing into
    // it and does not solve.
    void LoadDriver(int index);
    int DriverIndex() const { return index_; }
    // Hands the keyboard focus to the name field.
    void FocusField();

    // The file operations behind the buttons, for the buttons and tests.
    void ChooseResponseFile();
    void ChooseImpedanceFile();
    void ChooseAcousticFile();
    void UseDefaultResponse();
    void UseDefaultImpedance();
    void ClearAcousticFile();
    // The phase source: as measured or derived (derived opens the tails dialog).
    void ChoosePhaseSource(bool derived);
    // Removes the catalogue binding: the driver's own files are read again
    // (or the default data used where it has none) and the design solved.
    void DeselectPart();
    // The catalogue for the driver's picture and the browser behind "Find a
    // Part#"; without them the button stays disabled.
    void SetCatalogue(const TPartsCatalogue* catalogue, TDriverBrowser* browser);
    // "Find a Part#": the driver browser for the loaded driver, modally.
    void FindPart();
    bool Browsing() const { return browsing_; }

    TEditRealSpin* LevelControl() const { return ersDB_; }
    TEditRealSpin* DelayControl() const { return ersDelay_; }
    TDelayUnitChoice* DelayUnit() const { return delayUnit_; }
    QLineEdit* NameField() const { return nameField_; }
    QCheckBox* InvertBox() const { return cbInvert_; }
    QCheckBox* MuteBox() const { return cbMute_; }
    QLabel* ResponseBox() const { return stFRD_; }
    QLabel* ImpedanceBox() const { return stZMA_; }
    QLabel* AcousticBox() const { return stAcous_; }
    QRadioButton* MeasuredButton() const { return rbMeasured_; }
    QRadioButton* DerivedButton() const { return rbDerived_; }
    QPushButton* ResponseButton() const { return btnFRDLoad_; }
    QPushButton* ImpedanceButton() const { return btnZMALoad_; }
    QPushButton* FindPartButton() const { return btnFindPN_; }
    QPushButton* DeselectButton() const { return btnValuesOnly_; }
    QPushButton* CloseButton() const { return btnOK_; }
    QLabel* RefDesLabel() const { return stRefDes_; }
    QLabel* RefDesColour() const { return pnRefDesColor_; }
    QWidget* FilePanel() const { return pFileData_; }
    QWidget* PartNumberPanel() const { return pPartNumber_; }
    QLabel* PartNumberText() const { return stPartNumber_; }
    QLabel* Picture() const { return pbPix_; }
    TDriverPlacementFields* Placement() const { return placement_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool CanClose() const override { return !browsing_; }

private:
    TDriver* CurrentDriver();
    void Reload();
    void ShowFileBoxes();
    void RefreshPicture();
    // A response file into the driver with the phase source chosen: true when
    // it was read (the driver's data are untouched otherwise).
    bool ReadResponse(const std::string& path);
    bool ReadImpedance(const std::string& path);
    void RunTailsDialog();
    QString ChooserFolder() const;

    int index_ = -1;
    bool loading_ = false;
    bool browsing_ = false;
    const TPartsCatalogue* catalogue_ = nullptr;
    TDriverBrowser* driverBrowser_ = nullptr;
    QString lastChosen_;  // the file last chosen in this dialog's choosers

    QLabel* stRefDes_ = nullptr;
    QLabel* pnRefDesColor_ = nullptr;
    QLineEdit* nameField_ = nullptr;
    QCheckBox* cbInvert_ = nullptr;
    QCheckBox* cbMute_ = nullptr;
    TClickableText* modSensitivity_ = nullptr;
    TEditRealSpin* ersDB_ = nullptr;
    TClickableText* modDelay_ = nullptr;
    TEditRealSpin* ersDelay_ = nullptr;
    TDelayUnitChoice* delayUnit_ = nullptr;
    QWidget* pFileData_ = nullptr;
    QLabel* stFRD_ = nullptr;
    QPushButton* btnFRDLoad_ = nullptr;
    QToolButton* btnFRDDefault_ = nullptr;
    QRadioButton* rbMeasured_ = nullptr;
    QRadioButton* rbDerived_ = nullptr;
    QLabel* stZMA_ = nullptr;
    QPushButton* btnZMALoad_ = nullptr;
    QToolButton* btnZMADefault_ = nullptr;
    QWidget* pPartNumber_ = nullptr;
    QLabel* stPartNumber_ = nullptr;
    QPlainTextEdit* descriptionText_ = nullptr;
    QLabel* stAcous_ = nullptr;
    QPushButton* btnAcousLoad_ = nullptr;
    QToolButton* btnAcousClear_ = nullptr;
    QPushButton* btnFindPN_ = nullptr;
    QPushButton* btnValuesOnly_ = nullptr;
    QLabel* pbPix_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    TDriverPlacementFields* placement_ = nullptr;
};

}  // namespace pelmo
