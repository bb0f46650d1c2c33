#pragma once

#include <QPoint>
#include <QTimer>
#include <Qt>

#include "graphs/GraphReadout.h"

class QAction;
class QLabel;
class QWidget;
class QMenu;

// The graph window's readout: the values under the pointer in a small label
// at the chart's top right corner, and the delta mode, which shows them
// relative to a reference point chosen from the chart's context menu. Near a
// curve the readout is that curve's: its name and its value (and phase) at
// the pointer's frequency or time, with a marker on the curve; Shift held
// shows the pointer's own position instead.

namespace pelmo {

class TPlotForm;

class TPlotReadout {
public:
    // Builds the label on the form's chart and the context menu.
    explicit TPlotReadout(TPlotForm& form);

    // The readout wraps its text at this width (pixels).
    static constexpr int MaxWidth = 250;

    void MouseMove(QPoint pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
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
    QWidget* Marker() const { return marker_; }
    // The curve the readout shows (an index into the record's curves), or -1
    // for the pointer's position.
    int SnappedCurve() const { return snapped_; }
    // How near (pixels) the pointer comes to a curve for the readout to take it.
    static constexpr int SnapPixels = 24;
    QMenu* DeltaMenu() const { return deltaMenu_; }

private:
    bool AnyPhaseShown() const;
    // The nearest curve within SnapPixels above or below the pointer: its
    // index, point and pixel; false when none is.
    bool SnapToCurve(QPoint pos, int& curve, TReadoutPoint& point, QPoint& pixel) const;
    void Fit();

    TPlotForm& form_;
    QLabel* label_ = nullptr;
    QWidget* marker_ = nullptr;
    int snapped_ = -1;
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
