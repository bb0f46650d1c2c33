#include "gui/sheet/Marker.h"

#include <QWidget>
#include <algorithm>

namespace pelmo {

void TMarker::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    if (shown_) Hide();
    width_ = std::max(1, width);
    height_ = std::max(1, height);
}

void TMarker::Show(int x, int y) {
    y = std::clamp(y, -1000000, 1000000);
    rect_ = QRect(x - width_ / 2 + 1, y - height_ / 2 + 1, width_, height_);
    shown_ = true;
    if (target_) target_->update(UpdateRect());
}

void TMarker::Hide() {
    if (!shown_) return;
    shown_ = false;
    if (target_) target_->update(UpdateRect());
}

}  // namespace pelmo
