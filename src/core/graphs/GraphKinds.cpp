#include "graphs/GraphKinds.h"

#include "graphs/GraphRecord.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {
using VS = TVerticalScaleMenu;

// Indexed by TGraphKind.
const std::array<TGraphKindInfo, 10> Kinds{{
    {gkVoltage, "Component Voltage (V)", true, "Peak Voltage", true, false, false, VS::Volts, false, true},
    {gkCurrent, "Component Current (A)", true, "Current, RMS", true, false, false, VS::Amps, false, true},
    {gkSPL, "SPL response (dBSPL)", false, "Frequency Response", true, false, true, VS::None, true, true},
    {gkImpedance, "Impedance (Ohms)", false, "Impedance", true, false, false, VS::Ohms, true, true},
    {gkPower, "Component Power dissipation (W)", true, "Watts Dissipated", true, false, false, VS::Watts, false, true},
    {gkFilter, "filter response (dB)", true, "Electrical Response", true, false, true, VS::None, true, true},
    {gkImpulse, "Impulse response", true, "Impulse Response", false, false, false, VS::ResponseScale, false, true},
    {gkStep, "Step response", true, "Step Respose", false, false, false, VS::ResponseScale, false, true},
    {gkGroupDelay, "Group Delay (usec)", true, "Group Delay", true, false, false, VS::Microseconds, false, true},
    {gkSquareWave, "Square Wave Response", true, "Square Wave Response", false, true, false, VS::ResponseScale, false,
     false},
}};

const std::array<TGraphKind, 10> MenuOrder{gkSPL,     gkImpedance, gkFilter,  gkGroupDelay, gkPower,
                                           gkVoltage, gkCurrent,   gkImpulse, gkStep,       gkSquareWave};

TAxisSetup Divisions(double step, double fromDivs, double toDivs, const char* title) {
    TAxisSetup a;
    a.Step = step;
    a.Min = fromDivs * step;
    a.Max = toDivs * step;
    a.Title = title;
    return a;
}
}  // namespace

const TGraphKindInfo& GraphKindInfo(TGraphKind kind) {
    const auto i = static_cast<std::size_t>(kind);
    return Kinds[i < Kinds.size() ? i : static_cast<std::size_t>(gkSPL)];
}

const std::array<TGraphKind, 10>& AddGraphMenuOrder() { return MenuOrder; }

std::string SquareWaveTitle(double testFrequency) {
    return "Square Wave Response at " + FormatE4(testFrequency) + "Hz";
}

std::string ChartTitle(const TGraphRecord& g) {
    const std::string base = g.Kind == gkSquareWave ? SquareWaveTitle(g.TestFrequency) : GraphKindInfo(g.Kind).Title;
    return base + " (#" + std::to_string(g.WindowNumber) + ")";
}

TAxisSetup BottomAxisSetup(TGraphKind kind) {
    TAxisSetup a;
    switch (kind) {
        case gkImpulse:
        case gkStep:
            a.Title = "time (msec)";
            a.Min = -1.5;
            a.Max = kind == gkImpulse ? 5.0 : 10.0;
            a.Step = 0.5;
            a.Grid = false;
            return a;
        case gkSquareWave:
            a.Title = "(periods)";
            a.Min = -200;
            a.Max = 200;
            a.Step = 20;
            a.Visible = false;
            a.Grid = false;
            return a;
        default:
            a.Title = "frequency [Hz]";
            a.Log = true;
            a.Min = (kind == gkSPL || kind == gkGroupDelay) ? 100.0 : 10.0;
            a.Max = 20000.0;
            a.Grid = kind != gkGroupDelay;
            return a;
    }
}

TAxisSetup LeftAxisSetup(const TGraphRecord& g) {
    switch (g.Kind) {
        case gkSPL:
        case gkFilter: {
            TAxisSetup a;
            a.Title = g.Kind == gkSPL ? "dBSPL" : "dB";
            a.Step = g.DbPerDiv;
            a.Min = g.VerticalCenter - 6 * g.DbPerDiv;
            a.Max = g.VerticalCenter + 6 * g.DbPerDiv;
            return a;
        }
        case gkImpedance:
            return Divisions(g.OhmsPerDiv, 0, 12, "Ohms");
        case gkVoltage:
            return Divisions(g.VoltsPerDiv, 0, 12, "Vpk");
        case gkCurrent:
            return Divisions(g.AmpsPerDiv, 0, 12, "A rms");
        case gkPower:
            return Divisions(g.WattsPerDiv, 0, 12, "Watts");
        case gkGroupDelay:
            return Divisions(g.UsecPerDiv, -2, 8, "usec");
        case gkImpulse:
        case gkStep: {
            TAxisSetup a = Divisions(10 * g.ResponseScale, -3, 3, "dBSPL");
            a.Visible = false;
            a.Grid = false;
            return a;
        }
        case gkSquareWave: {
            TAxisSetup a = Divisions(20 * g.ResponseScale, -5, 5, "dBSPL");
            a.Visible = false;
            a.Grid = false;
            return a;
        }
    }
    return {};
}

TAxisSetup GroupDelayAxisAfterChange(double usecPerDiv) { return Divisions(usecPerDiv, -1, 9, "usec"); }

TAxisSetup RightAxisSetup(TGraphKind kind) {
    TAxisSetup a;
    a.Title = "deg";
    a.Step = 30;
    a.Grid = false;
    a.Min = -180;
    a.Max = 180;
    switch (kind) {
        case gkImpedance:
            a.Min = -90;
            a.Max = 90;
            break;
        case gkGroupDelay:
        case gkPower:
        case gkImpulse:
        case gkStep:
        case gkSquareWave:
            a.Visible = false;
            break;
        default:
            break;
    }
    return a;
}

const std::vector<TScaleMenuItem>& DbPerDivItems() {
    static const std::vector<TScaleMenuItem> items{{"1dB", 1}, {"2dB", 2}, {"3dB", 3}, {"5dB", 5}, {"10dB", 10}};
    return items;
}

const std::vector<TScaleMenuItem>& VerticalScaleItems(TVerticalScaleMenu menu) {
    static const std::vector<TScaleMenuItem> none;
    static const std::vector<TScaleMenuItem> ohms{{"1 ohm", 1},   {"2 ohm", 2},   {"5 ohm", 5},
                                                  {"10 ohm", 10}, {"20 ohm", 20}, {"50 ohm", 50}};
    static const std::vector<TScaleMenuItem> volts{{"1V", 1},   {"2V", 2},   {"5V", 5},    {"10V", 10},
                                                   {"20V", 20}, {"50V", 50}, {"100V", 100}};
    static const std::vector<TScaleMenuItem> watts{{"1 Watt", 1},   {"2 Watt", 2},   {"5 Watt", 5},    {"10 Watt", 10},
                                                   {"20 Watt", 20}, {"50 Watt", 50}, {"100 Watt", 100}};
    static const std::vector<TScaleMenuItem> amps{{"1A", 1},   {"2A", 2},   {"5A", 5},
                                                  {"10A", 10}, {"20A", 20}, {"50A", 50}};
    switch (menu) {
        case TVerticalScaleMenu::Ohms:
            return ohms;
        case TVerticalScaleMenu::Volts:
            return volts;
        case TVerticalScaleMenu::Watts:
            return watts;
        case TVerticalScaleMenu::Amps:
            return amps;
        default:
            return none;
    }
}

std::string InitialScaleCheck(TVerticalScaleMenu menu) {
    switch (menu) {
        case TVerticalScaleMenu::Ohms:
            return "2 ohm";
        case TVerticalScaleMenu::Volts:
            // The mark starts on 5V although a new window shows 10 V per
            // division; the two are not kept in step.
            return "5V";
        case TVerticalScaleMenu::Watts:
            return "2 Watt";
        case TVerticalScaleMenu::Amps:
            return "2A";
        default:
            return {};
    }
}

void SetPerDivision(TGraphRecord& g, TVerticalScaleMenu menu, double value) {
    switch (menu) {
        case TVerticalScaleMenu::Ohms:
            g.OhmsPerDiv = value;
            break;
        case TVerticalScaleMenu::Volts:
            g.VoltsPerDiv = value;
            break;
        case TVerticalScaleMenu::Watts:
            g.WattsPerDiv = value;
            break;
        case TVerticalScaleMenu::Amps:
            g.AmpsPerDiv = value;
            break;
        default:
            break;
    }
}

TRgb PaletteColour(int index) {
    static const std::array<TRgb, PaletteSize> palette{{{0, 0, 0},
                                                        {168, 107, 81},
                                                        {0, 128, 0},
                                                        {234, 0, 234},
                                                        {0, 0, 255},
                                                        {250, 3, 3},
                                                        {252, 170, 1},
                                                        {192, 192, 192},
                                                        {0, 255, 0},
                                                        {0, 255, 255}}};
    if (index < 0) return palette[0];
    return palette[static_cast<std::size_t>(index % PaletteSize)];
}

}  // namespace pelmo
