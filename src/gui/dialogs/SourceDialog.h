#pragma once

#include "gui/dialogs/ElementDialog.h"

class QCheckBox;
class QLabel;
class QPushButton;

// The source dialog ("Adjust the Audio Power Source"): the amplifier's level
// as power into a load (and the open-circuit voltage that gives), its
// polarity, and the delay added to every driver of the design. Every change
// is written into the design at once and solved; opening the dialog writes
// nothing.

namespace pelmo {

class TClickableText;
class TEditRealSpin;
class TDelayUnitChoice;

class TSourceDialog : public TElementDialog {
    Q_OBJECT
public:
    TSourceDialog(TTuningHost& host, QWidget* parent);

    // Fills the controls from the design's source; writes nothing.
    void LoadSource();
    // Hands the keyboard focus to the overall-delay field.
    void FocusField();
    // "Std": 1 W into 8 ohms.
    void StandardLevel();

    TEditRealSpin* WattsControl() const { return ersWatts_; }
    TEditRealSpin* OhmsControl() const { return ersOhms_; }
    TEditRealSpin* DelayControl() const { return ersDelay_; }
    TDelayUnitChoice* DelayUnit() const { return delayUnit_; }
    QLabel* VoltsText() const { return stVrms_; }
    QCheckBox* InvertBox() const { return cbInvert_; }
    QPushButton* StandardButton() const { return btnStd_; }
    QPushButton* CloseButton() const { return btnOK_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void LevelChanged();
    void ShowVolts(double vrms);

    bool loading_ = false;
    QLabel* stVrms_ = nullptr;
    TEditRealSpin* ersWatts_ = nullptr;
    TEditRealSpin* ersOhms_ = nullptr;
    TClickableText* delayText_ = nullptr;
    TEditRealSpin* ersDelay_ = nullptr;
    TDelayUnitChoice* delayUnit_ = nullptr;
    QPushButton* btnStd_ = nullptr;
    QCheckBox* cbInvert_ = nullptr;
    QPushButton* btnOK_ = nullptr;
};

}  // namespace pelmo
