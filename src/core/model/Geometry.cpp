#include "model/Geometry.h"

#include "base/Rounding.h"
#include "model/Elements.h"

namespace pelmo {

int PixelToGridCoord(int pixel, int scale) { return RoundToInt(static_cast<double>(pixel) / scale); }

bool PointOnWire(TPoint p, const TWire& w) {
    if (IsHorizontal(w)) {
        int lo = w.End1.X < w.End2.X ? w.End1.X : w.End2.X;
        int hi = w.End1.X < w.End2.X ? w.End2.X : w.End1.X;
        return p.Y == w.End1.Y && p.X >= lo && p.X <= hi;
    }
    int lo = w.End1.Y < w.End2.Y ? w.End1.Y : w.End2.Y;
    int hi = w.End1.Y < w.End2.Y ? w.End2.Y : w.End1.Y;
    return p.X == w.End1.X && p.Y >= lo && p.Y <= hi;
}

}  // namespace pelmo
