#pragma once

#include <QPoint>
#include <QTimer>

#include "graphs/GraphReadout.h"

class QAction;
class QLabel;
class QMenu;

// The graph window's readout: the values under the pointer in a small label
// at the chart's top right corner, and the delta mode, which shows them
// relative to a reference point chosen from the chart's context menu.

namespace pelmo {

class TPlotForm;

class TPlotReadout {
public:
    // Builds the label on the form's chart and the context menu.
    explicit TPlotReadout(TPlotForm& form);

    // The readout wraps its text at this width (pixels).
    static constexpr int MaxWidth = 250;

    void MouseMove(QPoint pos);
    void Hide();
    void ContextMenu(QPoint pos);
    void SetDeltaReferenceClick();
    void DeltaModeOffClick();
    // Kinds without delta mode have no context menu.
    void DropDeltaMenu();
    // Back to the top right corner after the chart changed size.
    void Place();

    const TReadoutPoint& Cursor() const { return cursor_; }
    const TReadoutPoint& DeltaRef() const { return deltaRef_; }
    bool DeltaMode() const { return deltaMode_; }
    bool PopupEnabled() const { return popupEnabled_; }
    QLabel* Label() const { return label_; }
    QMenu* DeltaMenu() const { return deltaMenu_; }

private:
    bool AnyPhaseShown() const;
    void Fit();

    TPlotForm& form_;
    QLabel* label_ = nullptr;
    QTimer timer_;
    QMenu* deltaMenu_ = nullptr;
    QAction* setDeltaRef_ = nullptr;
    QAction* deltaOff_ = nullptr;
    bool popupEnabled_ = true;
    TReadoutPoint cursor_;
    TReadoutPoint deltaRef_;
    bool deltaMode_ = false;
};

}  // namespace pelmo
