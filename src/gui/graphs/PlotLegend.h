#pragma once

#include <QObject>
#include <QPoint>
#include <QPointF>

class QAction;
class QEvent;
class QMenu;

// A graph window's legend: in the plot's top-right corner at first, dragged
// with the left button anywhere inside the plot, or in a column right of the
// plot ("Legend outside" in the menu of a right click on the legend). The place is kept in the window's record, so it
// survives every solve and goes into the design's window layout.

namespace pelmo {

class TPlotForm;

inline constexpr const char* LegendOutsideItem = "Legend outside";

class TPlotLegend : public QObject {
    Q_OBJECT
public:
    explicit TPlotLegend(TPlotForm& form);

    // Puts the legend where the record says.
    void Apply();
    void SetOutside(bool outside);
    // Moves the legend's top-left corner to this fraction of the plot
    // (kept inside it).
    void MoveTo(QPointF fraction);
    QMenu* Menu() const { return menu_; }
    QAction* OutsideAction() const { return outside_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TPlotForm& form_;
    QMenu* menu_ = nullptr;
    QAction* outside_ = nullptr;
    // Where the window put its legend before the user moved it (the polar
    // map keeps it top left, beside its colour scale).
    Qt::Alignment home_ = Qt::AlignRight | Qt::AlignTop;
    bool homeKnown_ = false;
    bool dragging_ = false;
    QPoint grabOffset_;  // from the legend's top-left corner to the pointer
};

}  // namespace pelmo
