#pragma once

class QCPGraph;
class QPushButton;

// The two overlays of a graph window beside its solved curves: "Hold", a
// frozen copy of the System curve drawn on top of the others, with its Hold
// and Clear buttons in the chart's corner, and the "Get File" curve, a
// measurement file drawn for comparison. Both live as long as the window,
// hidden until used.

namespace pelmo {

class TPlotForm;

class TPlotOverlays {
public:
    // Adds the hold and file curves and the buttons to the form's chart.
    explicit TPlotOverlays(TPlotForm& form);

    void HoldClick();
    void ClearClick();
    // The Hold button shows while the window has a System curve to hold.
    void UpdateHoldButton();
    void GetFileClick();
    void ClearFileCurves();
    // The curve settings dialog in file mode recolours the file curves.
    void SetFileStyle(int colour, bool showPhase);
    // The buttons back to the chart's bottom right corner.
    void Place();

    int FileColour() const { return fileColour_; }
    QPushButton* HoldButton() const { return holdButton_; }
    QPushButton* ClearButton() const { return clearButton_; }
    QCPGraph* HoldMag() const { return holdMag_; }
    QCPGraph* HoldPhase() const { return holdPhase_; }
    QCPGraph* FileMag() const { return fileMag_; }
    QCPGraph* FilePhase() const { return filePhase_; }

private:
    TPlotForm& form_;
    QCPGraph* holdMag_ = nullptr;
    QCPGraph* holdPhase_ = nullptr;
    QCPGraph* fileMag_ = nullptr;
    QCPGraph* filePhase_ = nullptr;
    int fileColour_ = 2;
    QPushButton* holdButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
};

}  // namespace pelmo
