#include "editor/ViewGeometry.h"

#include <algorithm>

#include "model/Rounding.h"

namespace pelmo {

namespace {

struct ExtentBuilder {
    TRect r{99999, 99999, 0, 0};
    void Add(const TRect& x) {
        r.Left = std::min(r.Left, x.Left);
        r.Top = std::min(r.Top, x.Top);
        r.Right = std::max(r.Right, x.Right);
        r.Bottom = std::max(r.Bottom, x.Bottom);
    }
    void Add(TPoint p) { Add(TRect{p.X, p.Y, p.X, p.Y}); }
};

}  // namespace

TRect DrawingExtent(const TDesign& d) {
    ExtentBuilder e;
    for (const auto& p : d.Parts) {
        e.Add(p->BodyRect);
        e.Add(p->Terminal1);
        e.Add(p->Terminal2);
        e.Add(p->LabelRect);
    }
    for (const auto& b : d.Blocks) e.Add(b->BoundsRect);
    for (const auto& drv : d.Drivers) {
        TRect body = drv->BodyRect;
        body.Left = drv->Terminal1.X;
        e.Add(body);
        e.Add(drv->LabelRect);
    }
    for (const auto& w : d.Wires) {
        e.Add(w->End1);
        e.Add(w->End2);
    }
    for (const auto& g : d.Grounds) {
        e.Add(g->BodyRect);
        e.Add(g->Position);
    }
    for (const auto& t : d.Texts) e.Add(t->TextRect);
    TRect body = d.Source.BodyRect;
    body.Right = d.Source.Terminal1.X;
    e.Add(body);
    e.Add(d.Source.LabelRect);
    return e.r;
}

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

TPoint ExtentCentre(const TRect& extent) {
    return {(extent.Left + extent.Right) / 2, (extent.Top + extent.Bottom) / 2};
}

std::optional<int> CentreScrollPosition(int centre, int scale, int sheetUnits, int margin, int available, int panel,
                                        int client) {
    const int span = sheetUnits * scale - available;
    if (span == 0) return std::nullopt;
    const double c = static_cast<double>(centre) * scale;
    return RoundToInt(static_cast<double>(panel - client) * (c + (margin - available) / 2.0) / span);
}

}  // namespace pelmo
