#include "gui/widgets/QtTextMetrics.h"

#include <QFontMetrics>
#include <QStringList>

namespace pelmo {

QFont SheetFont(int pixelSize) {
    QFont f;
    f.setFamilies(QStringList{QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, pixelSize));
    return f;
}

TQtTextMetrics::TQtTextMetrics() = default;
TQtTextMetrics::~TQtTextMetrics() = default;

const QFontMetrics& TQtTextMetrics::MetricsFor(int pixelSize) const {
    auto& slot = cache_[pixelSize];
    if (!slot) slot = std::make_unique<QFontMetrics>(SheetFont(pixelSize));
    return *slot;
}

TextExtent TQtTextMetrics::Measure(const std::string& text, int pixelSize) const {
    const QFontMetrics& fm = MetricsFor(pixelSize);
    return {fm.horizontalAdvance(QString::fromStdString(text)), fm.height()};
}

}  // namespace pelmo
