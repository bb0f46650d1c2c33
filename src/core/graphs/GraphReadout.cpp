#include "graphs/GraphReadout.h"

#include <algorithm>
#include <cmath>

#include "graphs/GraphKinds.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

// One line of the readout for a position (or a difference of positions).
std::string Compose(TGraphKind kind, const TReadoutPoint& p, bool anyPhaseShown) {
    const TGraphKindDescriptor& k = GraphKindDescriptor(kind);
    switch (k.Readout) {
        case TReadoutStyle::Time:
            return FormatFixed(p.X, 2) + k.ReadoutUnit;
        case TReadoutStyle::Delay:
            return FormatFixed(p.Y, 2) + k.ReadoutUnit;
        case TReadoutStyle::None:
        case TReadoutStyle::Map:
            return {};
        case TReadoutStyle::FrequencyValue:
            break;
    }
    std::string line = FormatE4(p.X) + "Hz, " + FormatFixed(p.Y, 2) + k.ReadoutUnit;
    if (anyPhaseShown && k.PhaseLimit > 0) line += " or " + FormatFixed(p.Phase, 3) + "\xC2\xB0";
    return line;
}

// A point on a curve: both coordinates, whatever the kind's pointer
// readout shows of them.
std::string ComposeOnCurve(TGraphKind kind, const TReadoutPoint& p, bool phaseShown) {
    const TGraphKindDescriptor& k = GraphKindDescriptor(kind);
    switch (k.Readout) {
        case TReadoutStyle::Time:
            return FormatFixed(p.X, 3) + k.ReadoutUnit + ", " + FormatGeneral(p.Y, 4);
        case TReadoutStyle::Delay:
            return FormatE4(p.X) + "Hz, " + FormatGeneral(p.Y, 4) + k.ReadoutUnit;
        default:
            return Compose(kind, p, phaseShown);
    }
}

}  // namespace

std::optional<std::string> CurveReadoutText(TGraphKind kind, const std::string& curve, const TReadoutPoint& point,
                                            const TReadoutPoint& deltaRef, bool deltaMode, bool phaseShown) {
    const TReadoutStyle style = GraphKindDescriptor(kind).Readout;
    if (style == TReadoutStyle::None || style == TReadoutStyle::Map) return std::nullopt;
    std::string text = curve + ": " + ComposeOnCurve(kind, point, phaseShown);
    if (deltaMode) {
        const TReadoutPoint d{point.X - deltaRef.X, point.Y - deltaRef.Y, point.Phase - deltaRef.Phase};
        text += "\nd=[" + ComposeOnCurve(kind, d, phaseShown) + "]";
    }
    return text;
}

double CurveValueAt(const DataArray& xs, const DataArray& ys, double x, bool logX) {
    const std::size_t n = std::min(xs.size(), ys.size());
    if (n == 0 || !(x >= xs[0]) || !(x <= xs[n - 1])) return std::nan("");
    const auto end = xs.begin() + static_cast<std::ptrdiff_t>(n);
    const std::size_t hi = static_cast<std::size_t>(std::lower_bound(xs.begin(), end, x) - xs.begin());
    if (hi == 0 || xs[hi] == x) return ys[hi];
    const std::size_t lo = hi - 1;
    const bool log = logX && xs[lo] > 0 && x > 0;
    const double t = log ? std::log(x / xs[lo]) / std::log(xs[hi] / xs[lo]) : (x - xs[lo]) / (xs[hi] - xs[lo]);
    return ys[lo] + t * (ys[hi] - ys[lo]);
}

std::optional<std::string> ReadoutText(TGraphKind kind, const TReadoutPoint& cursor, const TReadoutPoint& deltaRef,
                                       bool deltaMode, bool anyPhaseShown) {
    const TReadoutStyle style = GraphKindDescriptor(kind).Readout;
    if (style == TReadoutStyle::None || style == TReadoutStyle::Map) return std::nullopt;
    std::string text = Compose(kind, cursor, anyPhaseShown);
    if (deltaMode) {
        const TReadoutPoint d{cursor.X - deltaRef.X, cursor.Y - deltaRef.Y, cursor.Phase - deltaRef.Phase};
        text += "\nd=[" + Compose(kind, d, anyPhaseShown) + "]";
    }
    return text;
}

}  // namespace pelmo
