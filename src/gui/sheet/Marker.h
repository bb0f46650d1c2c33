#pragma once

#include <QRect>

class QWidget;

namespace pelmo {

// The drag image: a rectangle of the sheet in which an element follows the
// mouse. Showing it repaints only that rectangle (the sheet's cached picture
// is put back underneath and the element drawn over it); hiding it puts the
// cached picture back. The sheet itself is not redrawn.
class TMarker {
public:
    void SetTarget(QWidget* target) { target_ = target; }
    // Resizing hides the image first when it is shown.
    void SetSize(int width, int height);
    // Shows the image centred on (x, y): its top-left corner is at
    // (x - width div 2 + 1, y - height div 2 + 1).
    void Show(int x, int y);
    void Hide();
    // Forgets the image without repainting (the sheet is being repainted anyway).
    void Drop() { shown_ = false; }

    bool Shown() const { return shown_; }
    QRect Rect() const { return rect_; }
    // What showing and hiding repaint: the rectangle and a margin for end
    // dots and wide pens drawn on its edges.
    QRect UpdateRect() const { return rect_.adjusted(-Margin, -Margin, Margin, Margin); }
    static constexpr int Margin = 3;

private:
    QWidget* target_ = nullptr;
    int width_ = 1, height_ = 1;
    QRect rect_;
    bool shown_ = false;
};

}  // namespace pelmo
