#pragma once

#include <optional>

#include "dialogs/ElementDialog.h"
#include "editor/SheetEdit.h"
#include "editor/Tuning.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// The component dialog ("Tune and Select"): one resistor, capacitor or
// inductor's value (stepped through preferred numbers), its ESR or power
// rating, whether it is in the circuit normally, open or shorted, and its
// catalogue binding; in the circuit-block designer also its two expressions.
// Every change goes straight into the part and is solved. The dialog keeps
// no pointer to the part: it finds it by kind and index at every write.

namespace pelmo {

class TEditRealSpin;
class TPcs;
struct TPart;

class TComponentDialog : public TElementDialog {
    Q_OBJECT
public:
    TComponentDialog(TTuningHost& host, QWidget* parent);

    // Fills every control from the part (kind and index as the editor's
    // current element) and shows nothing; writes nothing into the part.
    void LoadPart(TElementKind kind, int index);
    // The part shown, when a part is loaded.
    std::optional<TElementRef> Part() const;
    // Hands the keyboard focus to the control the sheet gives it.
    void FocusField();

    TPcs* ValueControl() const { return pcsValue_; }
    TEditRealSpin* EsrControl() const { return ersESR_; }
    QRadioButton* StateButton(TPartState state) const;
    QPushButton* CloseButton() const { return btnOK_; }
    QPushButton* FindPartButton() const { return btnFind_; }
    QLabel* RefDesLabel() const { return stRefDes_; }
    QLabel* ValueText() const { return stValue_; }
    QLabel* EsrText() const { return stEsrPwr_; }
    QLineEdit* ValueExpression() const { return eValue_; }
    QLineEdit* EsrExpression() const { return eESR_; }
    TComponentControl LastUsed() const { return lastUsed_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void Closing() override;

private:
    TPart* CurrentPart();
    void Reload();
    void ValueChanged();
    void StateChosen(TPartState state);
    void ExpressionEdited(bool value);
    void CheckExpression(QLineEdit* field);
    void RefreshPicture();

    TElementKind kind_ = TElementKind::None;
    int index_ = -1;
    TComponentControl lastUsed_ = TComponentControl::Value;
    bool loading_ = false;

    QLabel* stRefDes_ = nullptr;
    TPcs* pcsValue_ = nullptr;
    QLabel* stESR_ = nullptr;
    TEditRealSpin* ersESR_ = nullptr;
    QLabel* stValue_ = nullptr;
    QLabel* stEsrPwr_ = nullptr;
    QLabel* stPartNumber_ = nullptr;
    QWidget* pRG_ = nullptr;
    QRadioButton* rbValue_ = nullptr;
    QRadioButton* rbOpen_ = nullptr;
    QRadioButton* rbShort_ = nullptr;
    QLabel* pbPix_ = nullptr;
    QPushButton* btnFind_ = nullptr;
    QPushButton* btnValuesOnly_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QLabel* label1_ = nullptr;
    QLineEdit* eValue_ = nullptr;
    QLabel* label2_ = nullptr;
    QLineEdit* eESR_ = nullptr;
};

}  // namespace pelmo
