#pragma once

#include <QFont>
#include <map>
#include <memory>

#include "model/TextMetrics.h"

class QFontMetrics;

namespace pelmo {

// The sheet font: Arial, or Liberation Sans (same metrics) where Arial is not
// installed, with its em height in pixels.
QFont SheetFont(int pixelSize);

// Text sizes measured with the real sheet font.
class TQtTextMetrics : public TextMetrics {
public:
    TQtTextMetrics();
    ~TQtTextMetrics() override;
    TextExtent Measure(const std::string& text, int pixelSize) const override;

private:
    const QFontMetrics& MetricsFor(int pixelSize) const;
    mutable std::map<int, std::unique_ptr<QFontMetrics>> cache_;
};

}  // namespace pelmo
