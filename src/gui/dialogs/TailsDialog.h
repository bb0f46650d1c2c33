#pragma once

#include <QDialog>
#include <QTimer>

#include "base/DataTypes.h"

class QCheckBox;
class QCustomPlot;
class QCPGraph;
class QCPTextElement;
class QLabel;
class QPushButton;

// The response-tails dialog ("Define Response Tails"): the six settings with
// which a driver's phase is derived from the level of its response file (the
// two tail frequencies and slopes, inversion and delay), with a live chart of
// the measured level, the two straight tails that replace it outside the
// band, and the derived phase. Every field writes into the driver at once;
// "cancel" puts back the settings the driver had.

namespace pelmo {

class TEditRealSpin;
class TSession;
struct TDriver;

class TResponseTailsDialog : public QDialog {
    Q_OBJECT
public:
    TResponseTailsDialog(TSession& session, int driverIndex, const QString& responsePath, QWidget* parent);

    // Checks "show orig phase" without acting on it (the chart shows it once
    // the measurement is read).
    void SetShowOriginalPhase(bool on);
    // Reads the response file onto the chart's grid and draws the preview.
    // False when the file cannot be read (the reader has said why): the
    // dialog is then not to be shown.
    bool ReadMeasurement();

    TEditRealSpin* LowerFrequency() const { return ersLowerF_; }
    TEditRealSpin* UpperFrequency() const { return ersUpperF_; }
    TEditRealSpin* LowerSlope() const { return ersLowerSlope_; }
    TEditRealSpin* UpperSlope() const { return ersUpperSlope_; }
    TEditRealSpin* Delay() const { return ersDelayHP_; }
    QCheckBox* Invert() const { return invertHP_; }
    QCheckBox* ShowOriginalPhase() const { return showOrig_; }
    QPushButton* OkButton() const { return btnOk_; }
    QPushButton* CancelButton() const { return btnCancel_; }
    QCustomPlot* Chart() const { return graph_; }
    QString ChartTitle() const;
    int VerticalCenter() const { return verticalCenter_; }
    QCPGraph* DerivedPhaseCurve() const { return derivedPhase_; }
    QCPGraph* LowerTailCurve() const { return lowerTail_; }
    QCPGraph* UpperTailCurve() const { return upperTail_; }
    QCPGraph* MeasuredPhaseCurve() const { return measuredPhase_; }
    void VerticalCenterClick();

    void reject() override;

private:
    TDriver* Driver();
    void BuildChart();
    void BuildFields(QWidget* panel);
    void SetVerticalCenter(int centre);
    void Preview();
    void DrawDerivedPhase();
    void DrawMeasuredPhase();
    void SlopeChanged(bool upper);
    void DelayOrInvertChanged();
    void ChartMouseMove(QPoint pos);

    TSession& session_;
    int driverIndex_;
    QString responsePath_;
    DataArray gridFreq_, gridMag_, gridPhase_, derived_;
    int verticalCenter_ = 90;
    bool loading_ = true;
    bool lastPreviewFailed_ = false;
    // The driver's settings when the dialog opened, for "cancel".
    bool derivedBefore_ = false;
    double lowFBefore_ = 0, highFBefore_ = 0, lowSBefore_ = 0, highSBefore_ = 0, delayBefore_ = 0;
    bool invertBefore_ = false;

    QCustomPlot* graph_ = nullptr;
    QCPTextElement* title_ = nullptr;
    QCPGraph* measuredMag_ = nullptr;
    QCPGraph* measuredPhase_ = nullptr;
    QCPGraph* lowerTail_ = nullptr;
    QCPGraph* upperTail_ = nullptr;
    QCPGraph* derivedPhase_ = nullptr;
    QLabel* readout_ = nullptr;
    QTimer readoutTimer_;
    TEditRealSpin* ersLowerF_ = nullptr;
    TEditRealSpin* ersUpperF_ = nullptr;
    TEditRealSpin* ersLowerSlope_ = nullptr;
    TEditRealSpin* ersUpperSlope_ = nullptr;
    TEditRealSpin* ersDelayHP_ = nullptr;
    QCheckBox* invertHP_ = nullptr;
    QCheckBox* showOrig_ = nullptr;
    QPushButton* btnOk_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

}  // namespace pelmo
