#include "model/TextMetrics.h"

#include <algorithm>

#include "base/Rounding.h"

namespace pelmo {

TextExtent EstimatedTextMetrics::Measure(const std::string& text, int pixelSize) const {
    // Count characters, not UTF-8 bytes: continuation bytes add no width.
    int chars = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++chars;
    // Average advance of a proportional sans font is a little over half its em;
    // the line height is about 1.15 em.
    // Held below a billion pixels so that absurd texts from files stay in range.
    const auto clamp = [](double px) { return RoundToInt(std::min(px, 1e9)); };
    return {clamp(static_cast<double>(chars) * pixelSize * 0.55), clamp(pixelSize * 1.15)};
}

const TextMetrics& DefaultTextMetrics() {
    static const EstimatedTextMetrics metrics;
    return metrics;
}

int PointsToPixels(int points) { return RoundToInt(points * 96.0 / 72.0); }

}  // namespace pelmo
