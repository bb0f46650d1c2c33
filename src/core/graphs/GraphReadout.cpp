#include "graphs/GraphReadout.h"

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

}  // namespace

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
