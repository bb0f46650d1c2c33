#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <functional>

#include "editor/SheetEdit.h"
#include "gui/sheet/Cursors.h"
#include "gui/sheet/Marker.h"
#include "model/Geometry.h"

class QPainter;
class QScrollArea;
class QWidget;

namespace pelmo {

class TSession;
class TSheet;
class TSheetInput;
class TSheetPanel;
class TextMetrics;

// What the editor adds to the picture of the sheet: the colour it gives an
// element (a highlighted one is red), what it leaves out while it draws it
// itself, and what it draws over the picture (the drag image, a group's
// preview).
class TSheetDecorations {
public:
    virtual ~TSheetDecorations() = default;
    virtual bool Highlighted(TElementRef e) const = 0;
    // The wire being drawn: the drag image shows it.
    virtual bool HidesWire(int index) const = 0;
    // A block read from a file and not yet placed: its members are not in
    // the design yet, and the drag image stands for it.
    virtual bool HidesBlock(int index) const = 0;
    virtual bool ShowsSourceLabels() const = 0;
    virtual void PaintOverlay(QPainter& painter, const QRect& rect) = 0;
};

// The sheet on the screen: its widgets (the scroll box, the panel that holds
// the keyboard focus, the paint box), the scale and the view's centre, the
// cached picture of the drawing and the drag image over it.
class TSheetView : public QObject {
    Q_OBJECT
public:
    TSheetView(TSession& session, const TextMetrics& metrics, QWidget* parent);

    QScrollArea* ScrollBox() const { return scrollBox_; }
    TSheetPanel* Panel() const { return panel_; }
    TSheet* Sheet() const { return sheet_; }
    TSession& Session() { return session_; }
    TMarker& DragImage() { return marker_; }
    const TMarker& DragImage() const { return marker_; }

    // Who handles the widgets' input and decorates the picture (the editor).
    void SetInput(TSheetInput* input) { input_ = input; }
    TSheetInput* Input() const { return input_; }
    void SetDecorations(TSheetDecorations* decorations) { decorations_ = decorations; }
    // Told where the pointer was put when a new scale moved it to the middle.
    std::function<void(QPoint sheetPos)> PointerPlaced;

    int Scale() const { return scale_; }
    TPoint ViewCentre() const { return viewCentre_; }
    QPoint GridToPixel(TPoint p) const { return {p.X * scale_, p.Y * scale_}; }
    TPoint PixelToGrid(QPoint p) const;
    QPoint SnapToGrid(QPoint pos) const { return GridToPixel(PixelToGrid(pos)); }

    // Draws the whole sheet onto a painter: on screen with the grid, for
    // export on white. With cull, elements that cannot reach into area are
    // left out (the painter is clipped to area).
    void PaintSheet(QPainter& painter, const QRect& area, bool forExport, bool cull = false);
    // The paint box's paint event: the cached picture, then the decorations.
    void SheetPaint(QPainter& painter, const QRect& rect);
    // The picture is drawn afresh at the next paint (after every edit).
    void RepaintSheet();
    // After a new value of a part outside any block: only the area of its
    // old and new labels is drawn afresh into the kept picture (the whole
    // picture when there is none to keep).
    void RepaintPartLabels(const TPart& part);
    // The pixels an element spanning the grid rectangle, or the pixels a to
    // b, may be drawn on: its labels' text, line ends and dots may stand out.
    QRect ReachOf(const TRect& grid) const;
    QRect ReachOf(QPoint a, QPoint b) const;
    int FullRenderCount() const { return fullRenders_; }
    void SetCursorShape(TSheetCursor shape);

    // Zoom and scrolling.
    void SetSheetScale(int z);
    // One zoom step about the point of the sheet under `pointer`.
    void ZoomStep(bool zoomIn, QPoint pointer);
    // One zoom step (the same steps and limits) that keeps the grid point
    // under `pointer` where it is on the screen; the mouse pointer stays put.
    void ZoomAbout(bool zoomIn, QPoint pointer);
    void FitAll();
    void CenterView();
    void CentreOn(TPoint g);

private:
    void Build(QWidget* parent);
    void RebuildGridStrip();
    QColor ElementColour(bool selected, TElementRef e) const;

    TSession& session_;
    const TextMetrics& metrics_;
    TSheetInput* input_ = nullptr;
    TSheetDecorations* decorations_ = nullptr;

    int scale_ = 10;
    TPoint viewCentre_{SheetWidth / 2, SheetHeight / 2};
    QImage gridStrip_;
    QImage cache_;
    QRect cacheRect_;
    bool cacheValid_ = false;
    int fullRenders_ = 0;
    TMarker marker_;

    QScrollArea* scrollBox_ = nullptr;
    QWidget* scrollHost_ = nullptr;
    TSheetPanel* panel_ = nullptr;
    TSheet* sheet_ = nullptr;
};

}  // namespace pelmo
