#pragma once

#include <optional>

#include "editor/SheetEdit.h"
#include "editor/Tuning.h"
#include "gui/dialogs/ElementDialog.h"

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
class TPartBrowser;
class TPartsCatalogue;
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
    // The catalogue for the part's picture and the browser behind "Find a
    // Part#"; without them the button stays disabled.
    void SetCatalogue(const TPartsCatalogue* catalogue, TPartBrowser* browser);
    // "Find a Part#": the parts browser for the loaded part, modally.
    void FindPart();
    bool Browsing() const { return browsing_; }

    TPcs* ValueControl() const { return valueField_; }
    TEditRealSpin* EsrControl() const { return esrField_; }
    QRadioButton* StateButton(TPartState state) const;
    QPushButton* CloseButton() const { return closeButton_; }
    QPushButton* FindPartButton() const { return findButton_; }
    QPushButton* DeselectButton() const { return deselectButton_; }
    QLabel* PartNumberText() const { return partNumberText_; }
    QLabel* PictureBox() const { return picture_; }
    QLabel* RefDesLabel() const { return titleText_; }
    QLabel* ValueText() const { return valueText_; }
    QLabel* EsrText() const { return esrText_; }
    QLineEdit* ValueExpression() const { return valueExpression_; }
    QLineEdit* EsrExpression() const { return esrExpression_; }
    TComponentControl LastUsed() const { return lastUsed_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void Closing() override;
    bool CanClose() const override { return !browsing_; }

private:
    TPart* CurrentPart();
    void Reload();
    void ValueChanged();
    void StateChosen(TPartState state);
    void ExpressionEdited(bool value);
    void CheckExpression(QLineEdit* field);
    void RefreshPicture();
    void EnableControls(bool enabled);

    TElementKind kind_ = TElementKind::None;
    int index_ = -1;
    TComponentControl lastUsed_ = TComponentControl::Value;
    bool loading_ = false;
    bool browsing_ = false;
    const TPartsCatalogue* catalogue_ = nullptr;
    TPartBrowser* partBrowser_ = nullptr;

    QLabel* titleText_ = nullptr;
    TPcs* valueField_ = nullptr;
    QLabel* esrCaption_ = nullptr;
    TEditRealSpin* esrField_ = nullptr;
    QLabel* valueText_ = nullptr;
    QLabel* esrText_ = nullptr;
    QLabel* partNumberText_ = nullptr;
    QWidget* stateRow_ = nullptr;
    QRadioButton* normalButton_ = nullptr;
    QRadioButton* openButton_ = nullptr;
    QRadioButton* shortButton_ = nullptr;
    QLabel* picture_ = nullptr;
    QPushButton* findButton_ = nullptr;
    QPushButton* deselectButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QLabel* valueExpressionCaption_ = nullptr;
    QLineEdit* valueExpression_ = nullptr;
    QLabel* esrExpressionCaption_ = nullptr;
    QLineEdit* esrExpression_ = nullptr;
};

}  // namespace pelmo
