#include "editor/ViewGeometry.h"

#include <algorithm>

#include "base/Rounding.h"

namespace pelmo {

std::optional<int> SheetScaleRequest(int z) {
    if (z < MinZoomScale || z > MaxZoomScale) return std::nullopt;
    return z % 2 ? z + 1 : z;
}

std::optional<int> ZoomStepScale(int s, bool zoomIn) {
    const int step = s < 15 ? 2 : s < 25 ? 4 : 8;
    if (zoomIn) return s < MaxFitScale ? SheetScaleRequest(s + step) : std::nullopt;
    return s > MinFitScale ? SheetScaleRequest(s - step) : std::nullopt;
}

int FitAllScale(const TRect& extent, int availableWidth, int availableHeight) {
    const double w = extent.Right - extent.Left + 2;
    const double h = extent.Bottom - extent.Top + 2;
    if (w <= 0 || h <= 0) return MinFitScale;  // nothing measured
    int s = TruncToInt(std::min(availableWidth / w, availableHeight / h));
    s = std::clamp(s, MinFitScale, MaxFitScale);
    if (s % 2) --s;
    return s;
}

std::optional<int> CentreScrollPosition(int centre, int scale, int sheetUnits, int margin, int available, int panel,
                                        int client) {
    const int span = sheetUnits * scale - available;
    if (span == 0) return std::nullopt;
    const double c = static_cast<double>(centre) * scale;
    return RoundToInt(static_cast<double>(panel - client) * (c + (margin - available) / 2.0) / span);
}

}  // namespace pelmo
