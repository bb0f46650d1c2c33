#include "graphs/GraphReadout.h"

#include "values/NumberFormat.h"

namespace pelmo {

namespace {

// One line of the readout for a position (or a difference of positions).
std::string Compose(TGraphKind kind, const TReadoutPoint& p, bool anyPhaseShown) {
    std::string first, second;
    bool phase = anyPhaseShown;
    const char* unit = nullptr;
    switch (kind) {
        case TGraphKind::SPL:
            unit = " dBSPL";
            break;
        case TGraphKind::Filter:
            unit = " dB";
            break;
        case TGraphKind::Impedance:
            unit = " Ohms";
            break;
        case TGraphKind::Voltage:
            unit = " Vpk";
            break;
        case TGraphKind::Current:
            unit = " Arms";
            break;
        case TGraphKind::Power:
            unit = " W";
            phase = false;
            break;
        case TGraphKind::Impulse:
        case TGraphKind::Step:
            return FormatFixed(p.X, 2) + " msec";
        case TGraphKind::GroupDelay:
            return FormatFixed(p.Y, 2) + " usec";
        case TGraphKind::SquareWave:
            return {};
    }
    first = FormatE4(p.X) + "Hz";
    second = FormatFixed(p.Y, 2) + unit;
    std::string line = first + ", " + second;
    if (phase) line += " or " + FormatFixed(p.Phase, 3) + "\xC2\xB0";
    return line;
}

}  // namespace

std::optional<std::string> ReadoutText(TGraphKind kind, const TReadoutPoint& cursor, const TReadoutPoint& deltaRef,
                                       bool deltaMode, bool anyPhaseShown) {
    if (kind == TGraphKind::SquareWave) return std::nullopt;
    std::string text = Compose(kind, cursor, anyPhaseShown);
    if (deltaMode) {
        const TReadoutPoint d{cursor.X - deltaRef.X, cursor.Y - deltaRef.Y, cursor.Phase - deltaRef.Phase};
        text += "\nd=[" + Compose(kind, d, anyPhaseShown) + "]";
    }
    return text;
}

}  // namespace pelmo
