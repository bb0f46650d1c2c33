#pragma once

#include <string>

namespace pelmo {

struct TextExtent {
    int Width = 0;
    int Height = 0;
};

// Width and height in pixels of a one-line text drawn in the sheet font whose
// em height is pixelSize pixels. The GUI measures with the real font; the core
// default is a deterministic estimate so that layouts are reproducible without
// a screen.
class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    virtual TextExtent Measure(const std::string& text, int pixelSize) const = 0;
};

class EstimatedTextMetrics : public TextMetrics {
public:
    TextExtent Measure(const std::string& text, int pixelSize) const override;
};

// The estimate, shared by every design that has no better metrics.
const TextMetrics& DefaultTextMetrics();

// Pixel em height of a font given in points on a 96 dpi screen.
int PointsToPixels(int points);

}  // namespace pelmo
