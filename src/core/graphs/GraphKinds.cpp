#include "graphs/GraphKinds.h"

#include "graphs/GraphRecord.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {
using VS = TVerticalScaleMenu;

// Indexed by TGraphKind.
const std::array<TGraphKindInfo, 10> Kinds{{
    {TGraphKind::Voltage, "Component Voltage (V)", true, "Peak Voltage", true, false, false, VS::Volts, false, true},
    {TGraphKind::Current, "Component Current (A)", true, "Current, RMS", true, false, false, VS::Amps, false, true},
    {TGraphKind::SPL, "SPL response (dBSPL)", false, "Frequency Response", true, false, true, VS::None, true, true},
    {TGraphKind::Impedance, "Impedance (Ohms)", false, "Impedance", true, false, false, VS::Ohms, true, true},
    {TGraphKind::Power, "Component Power dissipation (W)", true, "Watts Dissipated", true, false, false, VS::Watts,
     false, true},
    {TGraphKind::Filter, "filter response (dB)", true, "Electrical Response", true, false, true, VS::None, true, true},
    {TGraphKind::Impulse, "Impulse response", true, "Impulse Response", false, false, false, VS::ResponseScale, false,
     true},
    {TGraphKind::Step, "Step response", true, "Step Respose", false, false, false, VS::ResponseScale, false, true},
    {TGraphKind::GroupDelay, "Group Delay (usec)", true, "Group Delay", true, false, false, VS::Microseconds, false,
     true},
    {TGraphKind::SquareWave, "Square Wave Response", true, "Square Wave Response", false, true, false,
     VS::ResponseScale, false, false},
}};

const std::array<TGraphKind, 10> MenuOrder{
    TGraphKind::SPL,     TGraphKind::Impedance, TGraphKind::Filter,  TGraphKind::GroupDelay, TGraphKind::Power,
    TGraphKind::Voltage, TGraphKind::Current,   TGraphKind::Impulse, TGraphKind::Step,       TGraphKind::SquareWave};

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
    return Kinds[i < Kinds.size() ? i : static_cast<std::size_t>(TGraphKind::SPL)];
}

const std::array<TGraphKind, 10>& AddGraphMenuOrder() { return MenuOrder; }

const std::array<TGraphKindName, 10>& GraphKindNames() {
    static const std::array<TGraphKindName, 10> names = {{
        {"spl", TGraphKind::SPL},
        {"impedance", TGraphKind::Impedance},
        {"filter", TGraphKind::Filter},
        {"voltage", TGraphKind::Voltage},
        {"current", TGraphKind::Current},
        {"power", TGraphKind::Power},
        {"groupdelay", TGraphKind::GroupDelay},
        {"impulse", TGraphKind::Impulse},
        {"step", TGraphKind::Step},
        {"squarewave", TGraphKind::SquareWave},
    }};
    return names;
}

const TGraphKindName* FindGraphKindName(const std::string& name) {
    for (const TGraphKindName& k : GraphKindNames())
        if (name == k.Name) return &k;
    return nullptr;
}

std::string SquareWaveTitle(double testFrequency) {
    return "Square Wave Response at " + FormatE4(testFrequency) + "Hz";
}

std::string ChartTitle(const TGraphRecord& g) {
    const std::string base =
        g.Kind == TGraphKind::SquareWave ? SquareWaveTitle(g.TestFrequency) : GraphKindInfo(g.Kind).Title;
    return base + " (#" + std::to_string(g.WindowNumber) + ")";
}

TAxisSetup BottomAxisSetup(TGraphKind kind) {
    TAxisSetup a;
    switch (kind) {
        case TGraphKind::Impulse:
        case TGraphKind::Step:
            a.Title = "time (msec)";
            a.Min = -1.5;
            a.Max = kind == TGraphKind::Impulse ? 5.0 : 10.0;
            a.Step = 0.5;
            a.Grid = false;
            return a;
        case TGraphKind::SquareWave:
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
            a.Min = (kind == TGraphKind::SPL || kind == TGraphKind::GroupDelay) ? 100.0 : 10.0;
            a.Max = 20000.0;
            a.Grid = kind != TGraphKind::GroupDelay;
            return a;
    }
}

TAxisSetup LeftAxisSetup(const TGraphRecord& g) {
    switch (g.Kind) {
        case TGraphKind::SPL:
        case TGraphKind::Filter: {
            TAxisSetup a;
            a.Title = g.Kind == TGraphKind::SPL ? "dBSPL" : "dB";
            a.Step = g.DbPerDiv;
            a.Min = g.VerticalCenter - 6 * g.DbPerDiv;
            a.Max = g.VerticalCenter + 6 * g.DbPerDiv;
            return a;
        }
        case TGraphKind::Impedance:
            return Divisions(g.OhmsPerDiv, 0, 12, "Ohms");
        case TGraphKind::Voltage:
            return Divisions(g.VoltsPerDiv, 0, 12, "Vpk");
        case TGraphKind::Current:
            return Divisions(g.AmpsPerDiv, 0, 12, "A rms");
        case TGraphKind::Power:
            return Divisions(g.WattsPerDiv, 0, 12, "Watts");
        case TGraphKind::GroupDelay:
            return Divisions(g.UsecPerDiv, -2, 8, "usec");
        case TGraphKind::Impulse:
        case TGraphKind::Step: {
            TAxisSetup a = Divisions(10 * g.ResponseScale, -3, 3, "dBSPL");
            a.Visible = false;
            a.Grid = false;
            return a;
        }
        case TGraphKind::SquareWave: {
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
        case TGraphKind::Impedance:
            a.Min = -90;
            a.Max = 90;
            break;
        case TGraphKind::GroupDelay:
        case TGraphKind::Power:
        case TGraphKind::Impulse:
        case TGraphKind::Step:
        case TGraphKind::SquareWave:
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

namespace {
std::string CaptionOf(const std::vector<TScaleMenuItem>& items, double value) {
    for (const TScaleMenuItem& item : items)
        if (item.Value == value) return item.Caption;
    return {};
}
}  // namespace

std::string CheckedScaleItem(const TGraphRecord& g, TVerticalScaleMenu menu) {
    switch (menu) {
        case TVerticalScaleMenu::Ohms:
            return CaptionOf(VerticalScaleItems(menu), g.OhmsPerDiv);
        case TVerticalScaleMenu::Volts:
            return CaptionOf(VerticalScaleItems(menu), g.VoltsPerDiv);
        case TVerticalScaleMenu::Watts:
            return CaptionOf(VerticalScaleItems(menu), g.WattsPerDiv);
        case TVerticalScaleMenu::Amps:
            return CaptionOf(VerticalScaleItems(menu), g.AmpsPerDiv);
        default:
            return {};
    }
}

std::string CheckedDbPerDivItem(const TGraphRecord& g) { return CaptionOf(DbPerDivItems(), g.DbPerDiv); }

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
