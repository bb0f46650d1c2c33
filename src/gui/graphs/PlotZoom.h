#pragma once

#include <QObject>
#include <QPoint>
#include <optional>

#include "graphs/WindowLayout.h"

class QCPAxis;
class QEvent;
class QMouseEvent;
class QWheelEvent;

// Looking closer at a graph window's curves: the wheel over an axis zooms
// that axis around the pointer (over the plot, the frequency or time axis),
// a drag with the left button draws a box to zoom into, the middle button
// pans, a double-click fits the axes to the curves shown. "Fit" and
// "Default" (the window's own scales) are menu items too. Voltage, current
// and power windows fit their curves when they first have some. The
// window's scale menus set the specified scales as before.

namespace pelmo {

class TPlotForm;

inline constexpr const char* FitItem = "Fit";
inline constexpr const char* DefaultItem = "Default";

class TPlotZoom : public QObject {
    Q_OBJECT
public:
    explicit TPlotZoom(TPlotForm& form);

    // The bottom axis back to its range, the left axis fitted to the curves
    // shown (limits on multiples of a round step), the right axis as it is.
    void Fit();
    // Every axis as the window's scale fields set it.
    void Default();
    // After the curves took new points: the first fit of a voltage,
    // current or power window. True when an axis changed.
    bool AfterRefresh();

    // The bottom and left axes to ranges kept from before (a window opened
    // again as it was saved); a range given replaces the first fit.
    void SetRanges(const std::optional<TAxisSpan>& bottom, const std::optional<TAxisSpan>& left);

    // Zooms `axis` by `factor` (below 1: in) around the pixel `at`.
    void ZoomAxis(QCPAxis* axis, double factor, QPoint at);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitAxes();
    bool Wheel(QWheelEvent* e);
    void Pan(QPoint to);
    // A linear axis gets a round step for its new span.
    void RetuneSteps();
    void Changed();

    TPlotForm& form_;
    bool fitPending_ = false;
    bool panning_ = false;
    QPoint panFrom_;
};

}  // namespace pelmo
