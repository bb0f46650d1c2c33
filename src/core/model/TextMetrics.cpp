#include "model/TextMetrics.h"

#include "model/Rounding.h"

namespace pelmo {

TextExtent EstimatedTextMetrics::Measure(const std::string& text, int pixelSize) const {
    // Count characters, not UTF-8 bytes: continuation bytes add no width.
    int chars = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++chars;
    // Average advance of a proportional sans font is a little over half its em;
    // the line height is about 1.15 em.
    return {RoundToInt(chars * pixelSize * 0.55), RoundToInt(pixelSize * 1.15)};
}

const TextMetrics& DefaultTextMetrics() {
    static const EstimatedTextMetrics metrics;
    return metrics;
}

int PointsToPixels(int points) { return RoundToInt(points * 96.0 / 72.0); }

}  // namespace pelmo
