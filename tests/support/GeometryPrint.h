#pragma once

#include <ostream>

#include "editor/SheetEdit.h"

// Readable failure messages for grid points, rectangles and element references.
namespace pelmo {
inline void PrintTo(const TPoint& p, std::ostream* os) { *os << "(" << p.X << ", " << p.Y << ")"; }
inline void PrintTo(const TRect& r, std::ostream* os) {
    *os << "(" << r.Left << ", " << r.Top << ")-(" << r.Right << ", " << r.Bottom << ")";
}
inline void PrintTo(const TElementRef& e, std::ostream* os) { *os << "kind " << ToInt(e.Kind) << " #" << e.Index; }
}  // namespace pelmo
