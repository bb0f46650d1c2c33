#pragma once

#include <QDialog>
#include <array>

#include "model/GraphKind.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The curve settings dialog: colour, phase curve and (for SPL curves) extra
// smoothing of one curve of a graph window, or of the window's file curve.
// Every change applies at once and solves; "Ok" keeps the curve, "Remove
// this Curve" tells the window to remove it.

namespace pelmo {

class TPlotForm;
struct TSeriesDef;

class TSeriesEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TSeriesEditForm(QWidget* parent = nullptr);

    // Set by the window before Prepare.
    TGraphKind GraphKind = TGraphKind::SPL;
    TPlotForm* Window = nullptr;
    int CurveIndex = -1;  // the curve of Window being edited; unused in file mode
    QString CurveName;
    bool FileMode = false;
    bool FilePhaseShown = false;  // file mode: the phase box starts checked

    int SelectedColour = 0;
    double SmoothingValue = 0;

    // The edited curve, or null in file mode.
    TSeriesDef* Curve() const;
    void Prepare();

    // Result codes: Ok keeps the curve, Remove removes it.
    static constexpr int ResultOk = QDialog::Accepted;
    static constexpr int ResultRemove = QDialog::Rejected;

    void SwatchClick(int index);
    void Apply();
    void OkClick() { done(ResultOk); }
    void btnRemoveClick() { done(ResultRemove); }

    QLabel* Label() const { return label_; }
    QLabel* Swatch(int i) const { return swatches_[static_cast<std::size_t>(i)]; }
    QCheckBox* PhaseBox() const { return cbPhase_; }
    QComboBox* SmoothingList() const { return cbSmoothing_; }
    QLabel* SmoothingLabel() const { return lblSmoothing_; }
    // How the curve's phase is drawn (SPL) or its delay taken (group delay).
    QComboBox* PhaseViewList() const { return cbPhaseView_; }
    QPushButton* OkButton() const { return btnOk_; }
    QPushButton* RemoveButton() const { return btnRemove_; }

public slots:
    // Escape does not remove the curve; only the button does.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowBorders();

    QLabel* label_ = nullptr;
    std::array<QLabel*, 10> swatches_{};
    QCheckBox* cbPhase_ = nullptr;
    QLabel* lblAdditional_ = nullptr;
    QLabel* lblSmoothing_ = nullptr;
    QComboBox* cbSmoothing_ = nullptr;
    QLabel* lblPhaseView_ = nullptr;
    QComboBox* cbPhaseView_ = nullptr;
    QPushButton* btnOk_ = nullptr;
    QPushButton* btnRemove_ = nullptr;
};

}  // namespace pelmo
