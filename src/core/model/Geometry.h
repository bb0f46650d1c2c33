#pragma once

// Integer sheet geometry: points and rectangles in grid units (X right, Y down).

namespace pelmo {

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
};

// Sheet size in grid units.
inline constexpr int SheetWidth = 256;
inline constexpr int SheetHeight = 128;

inline TPoint Scaled(TPoint p, int scale) { return {p.X * scale, p.Y * scale}; }

// Pixel back to grid: divide by the scale, rounding to the nearest integer
// (halves away from zero).
int PixelToGridCoord(int pixel, int scale);
inline TPoint PixelToGrid(TPoint p, int scale) {
    return {PixelToGridCoord(p.X, scale), PixelToGridCoord(p.Y, scale)};
}

inline bool PointInRect(TPoint p, const TRect& r) {
    return p.X >= r.Left && p.X <= r.Right && p.Y >= r.Top && p.Y <= r.Bottom;
}

}  // namespace pelmo
