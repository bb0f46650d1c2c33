#include "graphs/GraphKinds.h"

#include <algorithm>
#include <array>

#include "graphs/GraphRecord.h"
#include "model/Design.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {
using VS = TVerticalScaleMenu;
using SK = TSubjectKind;

TAxisSetup FrequencyAxis(double minHz, bool grid = true) {
    TAxisSetup a;
    a.Title = "frequency [Hz]";
    a.Log = true;
    a.Min = minHz;
    a.Max = 20000.0;
    a.Grid = grid;
    return a;
}

TAxisSetup TimeAxis(double maxMs) {
    TAxisSetup a;
    a.Title = "time (msec)";
    a.Min = -1.5;
    a.Max = maxMs;
    a.Step = 0.5;
    a.Grid = false;
    return a;
}

TAxisSetup PeriodsAxis() {
    TAxisSetup a;
    a.Title = "(periods)";
    a.Min = -200;
    a.Max = 200;
    a.Step = 20;
    a.Visible = false;
    a.Grid = false;
    return a;
}

// Left axes: centred dB, 0 .. 12 divisions of a per-division field, and the
// fixed axes of the time responses (hidden; the solve scales the points).
TLeftAxisRule CentredDb(const char* title) { return {title, true, &TGraphRecord::DbPerDiv, 1, -6, 6, true, true}; }
TLeftAxisRule FromZero(const char* title, double TGraphRecord::*perDiv) {
    return {title, false, perDiv, 1, 0, 12, true, true};
}
TLeftAxisRule TimeScale(double multiple, double divisions) {
    return {"dBSPL", false, &TGraphRecord::ResponseScale, multiple, -divisions, divisions, false, false};
}

// In the order of the names on the command lines.
const std::vector<TGraphKindDescriptor>& Table() {
    static const std::vector<TGraphKindDescriptor> kinds{
        {.Kind = TGraphKind::SPL,
         .Name = "spl",
         .MenuItem = "SPL response (dBSPL)",
         .MenuPosition = 0,
         .InMoreMenu = false,
         .Title = "Frequency Response",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(100.0),
         .Left = CentredDb("dBSPL"),
         .PhaseLimit = 180,
         .VerticalCenter = 90,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = true,
         .VerticalScale = VS::None,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = true,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::FrequencyValue,
         .ReadoutUnit = " dBSPL",
         .Curves = {true, SK::Driver, SK::DriverOnly, false},
         .QuietCurves = false,
         .SmoothedCurves = true,
         .ExportSystemFrd = true,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = SplPoints,
         .Transform = false,
         .ThinLines = false},
        {.Kind = TGraphKind::Impedance,
         .Name = "impedance",
         .MenuItem = "Impedance (Ohms)",
         .MenuPosition = 1,
         .InMoreMenu = false,
         .Title = "Impedance",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(10.0),
         .Left = FromZero("Ohms", &TGraphRecord::OhmsPerDiv),
         .PhaseLimit = 90,
         .VerticalCenter = 70,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = false,
         .VerticalScale = VS::Ohms,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = true,
         .GetFileReadsZma = true,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::FrequencyValue,
         .ReadoutUnit = " Ohms",
         .Curves = {true, SK::DriverOnly, SK::Lookback, false},
         .QuietCurves = false,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = true,
         .ExportDriverFrd = false,
         .Points = ImpedancePoints,
         .Transform = false,
         .ThinLines = false},
        {.Kind = TGraphKind::Filter,
         .Name = "filter",
         .MenuItem = "filter response (dB)",
         .MenuPosition = 2,
         .InMoreMenu = true,
         .Title = "Electrical Response",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(10.0),
         .Left = CentredDb("dB"),
         .PhaseLimit = 180,
         .VerticalCenter = 0,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = true,
         .VerticalScale = VS::None,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = true,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::FrequencyValue,
         .ReadoutUnit = " dB",
         .Curves = {false, SK::Driver, SK::System, false},
         .QuietCurves = false,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = true,
         .Points = FilterPoints,
         .Transform = false,
         .ThinLines = false},
        {.Kind = TGraphKind::Voltage,
         .Name = "voltage",
         .MenuItem = "Component Voltage (V)",
         .MenuPosition = 5,
         .InMoreMenu = true,
         .Title = "Peak Voltage",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(10.0),
         .Left = FromZero("Vpk", &TGraphRecord::VoltsPerDiv),
         .PhaseLimit = 180,
         .VerticalCenter = 70,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = false,
         .VerticalScale = VS::Volts,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = false,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::FrequencyValue,
         .ReadoutUnit = " Vpk",
         .Curves = {false, SK::Driver, SK::System, true},
         .QuietCurves = false,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = VoltagePoints,
         .Transform = false,
         .ThinLines = false},
        {.Kind = TGraphKind::Current,
         .Name = "current",
         .MenuItem = "Component Current (A)",
         .MenuPosition = 6,
         .InMoreMenu = true,
         .Title = "Current, RMS",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(10.0),
         .Left = FromZero("A rms", &TGraphRecord::AmpsPerDiv),
         .PhaseLimit = 180,
         .VerticalCenter = 70,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = false,
         .VerticalScale = VS::Amps,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = false,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::FrequencyValue,
         .ReadoutUnit = " Arms",
         .Curves = {false, SK::Driver, SK::System, true},
         .QuietCurves = false,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = CurrentPoints,
         .Transform = false,
         .ThinLines = false},
        {.Kind = TGraphKind::Power,
         .Name = "power",
         .MenuItem = "Component Power dissipation (W)",
         .MenuPosition = 4,
         .InMoreMenu = true,
         .Title = "Watts Dissipated",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(10.0),
         .Left = FromZero("Watts", &TGraphRecord::WattsPerDiv),
         .PhaseLimit = 0,
         .VerticalCenter = 70,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = false,
         .VerticalScale = VS::Watts,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = false,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::FrequencyValue,
         .ReadoutUnit = " W",
         .Curves = {false, SK::Driver, SK::System, true},
         .QuietCurves = true,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = PowerPoints,
         .Transform = false,
         .ThinLines = false},
        {.Kind = TGraphKind::GroupDelay,
         .Name = "groupdelay",
         .MenuItem = "Group Delay (usec)",
         .MenuPosition = 3,
         .InMoreMenu = true,
         .Title = "Group Delay",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(100.0, false),
         .Left = {"usec", false, &TGraphRecord::UsecPerDiv, 1, -2, 8, true, false},
         .PhaseLimit = 0,
         .VerticalCenter = 70,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = false,
         .VerticalScale = VS::Microseconds,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = false,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::Delay,
         .ReadoutUnit = " usec",
         .Curves = {true, SK::Driver, SK::System, false},
         .QuietCurves = true,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = GroupDelayPoints,
         .Transform = false,
         .ThinLines = false},
        {.Kind = TGraphKind::Impulse,
         .Name = "impulse",
         .MenuItem = "Impulse response",
         .MenuPosition = 7,
         .InMoreMenu = true,
         .Title = "Impulse Response",
         .TitleWithTestFrequency = false,
         .Bottom = TimeAxis(5.0),
         .Left = TimeScale(10, 3),
         .PhaseLimit = 0,
         .VerticalCenter = 70,
         .ShowFrequencyRange = false,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = false,
         .VerticalScale = VS::ResponseScale,
         .ScaleMenuOpensDialog = true,
         .ResponseScaleCaption = "Impulse Response Scale",
         .ShowGetFile = false,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::Time,
         .ReadoutUnit = " msec",
         .Curves = {true, SK::Driver, SK::System, false},
         .QuietCurves = true,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = ImpulsePoints,
         .Transform = true,
         .ThinLines = true},
        {.Kind = TGraphKind::Step,
         .Name = "step",
         .MenuItem = "Step response",
         .MenuPosition = 8,
         .InMoreMenu = true,
         .Title = "Step Respose",
         .TitleWithTestFrequency = false,
         .Bottom = TimeAxis(10.0),
         .Left = TimeScale(10, 3),
         .PhaseLimit = 0,
         .VerticalCenter = 70,
         .ShowFrequencyRange = false,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = false,
         .VerticalScale = VS::ResponseScale,
         .ScaleMenuOpensDialog = true,
         .ResponseScaleCaption = "Step Response Scale",
         .ShowGetFile = false,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::Time,
         .ReadoutUnit = " msec",
         .Curves = {true, SK::Driver, SK::System, false},
         .QuietCurves = true,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = StepPoints,
         .Transform = true,
         .ThinLines = true},
        {.Kind = TGraphKind::SquareWave,
         .Name = "squarewave",
         .MenuItem = "Square Wave Response",
         .MenuPosition = 9,
         .InMoreMenu = true,
         .Title = "Square Wave Response",
         .TitleWithTestFrequency = true,
         .Bottom = PeriodsAxis(),
         .Left = TimeScale(20, 5),
         .PhaseLimit = 0,
         .VerticalCenter = 70,
         .ShowFrequencyRange = false,
         .ShowTestFrequency = true,
         .ShowVerticalCenter = false,
         .VerticalScale = VS::ResponseScale,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = false,
         .GetFileReadsZma = false,
         .DeltaMenu = false,
         .Readout = TReadoutStyle::None,
         .ReadoutUnit = "",
         .Curves = {true, SK::Driver, SK::System, false},
         .QuietCurves = true,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = SquareWavePoints,
         .Transform = false,
         .ThinLines = false},
        {.Kind = TGraphKind::Spinorama,
         .Name = "spinorama",
         .MenuItem = "Spinorama (CTA-2034)",
         .MenuPosition = 10,
         .InMoreMenu = true,
         .Title = "Spinorama",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(10.0),
         .Left = CentredDb("dBSPL"),
         .PhaseLimit = 0,
         .VerticalCenter = 75,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = true,
         .VerticalScale = VS::None,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = true,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::FrequencyValue,
         .ReadoutUnit = " dB",
         .Curves = {true, SK::Driver, SK::System, false},
         .QuietCurves = true,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = SpinoramaPoints,
         .Transform = false,
         .ThinLines = false,
         .CurveSet = true,
         .DiAxis = true},
        {.Kind = TGraphKind::PowerAndDi,
         .Name = "powerdi",
         .MenuItem = "Sound power and DI",
         .MenuPosition = 11,
         .InMoreMenu = true,
         .Title = "Sound Power and DI",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(10.0),
         .Left = CentredDb("dBSPL"),
         .PhaseLimit = 0,
         .VerticalCenter = 75,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = true,
         .VerticalScale = VS::None,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = true,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::FrequencyValue,
         .ReadoutUnit = " dB",
         .Curves = {true, SK::Driver, SK::System, false},
         .QuietCurves = true,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = PowerAndDiPoints,
         .Transform = false,
         .ThinLines = false,
         .CurveSet = true,
         .DiAxis = true},
        {.Kind = TGraphKind::OffAxis,
         .Name = "offaxis",
         .MenuItem = "Off-axis responses",
         .MenuPosition = 12,
         .InMoreMenu = true,
         .Title = "Off-axis Response",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(100.0),
         .Left = CentredDb("dBSPL"),
         .PhaseLimit = 0,
         .VerticalCenter = 80,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = true,
         .VerticalScale = VS::None,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = true,
         .GetFileReadsZma = false,
         .DeltaMenu = true,
         .Readout = TReadoutStyle::FrequencyValue,
         .ReadoutUnit = " dB",
         .Curves = {true, SK::Driver, SK::System, false},
         .QuietCurves = true,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = OffAxisPoints,
         .Transform = false,
         .ThinLines = false,
         .CurveSet = true,
         .DiAxis = false},
        {.Kind = TGraphKind::PolarMap,
         .Name = "polarmap",
         .MenuItem = "Polar map",
         .MenuPosition = 13,
         .InMoreMenu = true,
         .Title = "Polar Map",
         .TitleWithTestFrequency = false,
         .Bottom = FrequencyAxis(100.0),
         .Left = {"angle [deg]", false, &TGraphRecord::DegreesPerDiv, 1, -6, 6, true, false},
         .PhaseLimit = 0,
         .VerticalCenter = 80,
         .ShowFrequencyRange = true,
         .ShowTestFrequency = false,
         .ShowVerticalCenter = false,
         .VerticalScale = VS::None,
         .ScaleMenuOpensDialog = false,
         .ResponseScaleCaption = nullptr,
         .ShowGetFile = false,
         .GetFileReadsZma = false,
         .DeltaMenu = false,
         .Readout = TReadoutStyle::Map,
         .ReadoutUnit = " dB",
         .Curves = {true, SK::Driver, SK::System, false},
         .QuietCurves = true,
         .SmoothedCurves = false,
         .ExportSystemFrd = false,
         .ExportSystemZma = false,
         .ExportDriverFrd = false,
         .Points = PolarMapPoints,
         .Transform = false,
         .ThinLines = false,
         .CurveSet = true,
         .DiAxis = false},
    };
    return kinds;
}

// Where each kind's descriptor stands in the table, by TGraphKind.
const std::array<std::size_t, GraphKindCount>& TableIndex() {
    static const std::array<std::size_t, GraphKindCount> index = [] {
        std::array<std::size_t, GraphKindCount> at{};
        for (std::size_t i = 0; i < Table().size(); ++i) at[static_cast<std::size_t>(Table()[i].Kind)] = i;
        return at;
    }();
    return index;
}

}  // namespace

const TGraphKindDescriptor& GraphKindDescriptor(TGraphKind kind) {
    const auto k = static_cast<std::size_t>(kind);
    return Table()[TableIndex()[k < GraphKindCount ? k : static_cast<std::size_t>(TGraphKind::SPL)]];
}

const std::vector<TGraphKindDescriptor>& GraphKindDescriptors() { return Table(); }

const std::vector<TGraphKind>& AddGraphMenuOrder() {
    static const std::vector<TGraphKind> order = [] {
        std::vector<const TGraphKindDescriptor*> byPlace;
        for (const TGraphKindDescriptor& k : Table()) byPlace.push_back(&k);
        std::sort(byPlace.begin(), byPlace.end(),
                  [](const auto* a, const auto* b) { return a->MenuPosition < b->MenuPosition; });
        std::vector<TGraphKind> kinds;
        for (const TGraphKindDescriptor* k : byPlace) kinds.push_back(k->Kind);
        return kinds;
    }();
    return order;
}

const std::vector<TGraphKindName>& GraphKindNames() {
    static const std::vector<TGraphKindName> names = [] {
        std::vector<TGraphKindName> n;
        for (const TGraphKindDescriptor& k : Table()) n.push_back({k.Name, k.Kind});
        return n;
    }();
    return names;
}

const TGraphKindName* FindGraphKindName(const std::string& name) {
    for (const TGraphKindName& k : GraphKindNames())
        if (name == k.Name) return &k;
    return nullptr;
}

bool KindHasPhase(TGraphKind kind) { return GraphKindDescriptor(kind).PhaseLimit > 0; }

bool KindHasSystemCurve(TGraphKind kind) { return GraphKindDescriptor(kind).Curves.System; }

std::vector<TCurveSubject> CurveMenuSubjects(TGraphKind kind, const TDesign& d) {
    const TCurveOffer& offer = GraphKindDescriptor(kind).Curves;
    std::vector<TCurveSubject> subjects;
    if (offer.System) subjects.push_back({});
    for (const auto& drv : d.Drivers) subjects.push_back(TCurveSubject::OfDriver(offer.DriverItems, *drv));
    if (offer.SecondDriverItems != TSubjectKind::System)
        for (const auto& drv : d.Drivers) subjects.push_back(TCurveSubject::OfDriver(offer.SecondDriverItems, *drv));
    if (offer.Parts) {
        for (TPartType type : {TPartType::Capacitor, TPartType::Inductor, TPartType::Resistor})
            for (const auto& p : d.Parts)
                if (p->PartType == type) subjects.push_back(TCurveSubject::OfPart(*p));
    }
    return subjects;
}

std::vector<std::string> CurveMenuNames(TGraphKind kind, const TDesign& d) {
    std::vector<std::string> names;
    for (const TCurveSubject& s : CurveMenuSubjects(kind, d)) names.push_back(CurveCaption(s));
    return names;
}

std::string SquareWaveTitle(double testFrequency) {
    return "Square Wave Response at " + FormatE4(testFrequency) + "Hz";
}

std::string ChartTitle(const TGraphRecord& g) {
    const TGraphKindDescriptor& kind = GraphKindDescriptor(g.Kind);
    const std::string base = kind.TitleWithTestFrequency ? SquareWaveTitle(g.TestFrequency) : kind.Title;
    return base + " (#" + std::to_string(g.WindowNumber) + ")";
}

TAxisSetup BottomAxisSetup(TGraphKind kind) { return GraphKindDescriptor(kind).Bottom; }

TAxisSetup LeftAxisSetup(const TGraphRecord& g) {
    const TLeftAxisRule& rule = GraphKindDescriptor(g.Kind).Left;
    TAxisSetup a;
    a.Title = rule.Title;
    a.Step = rule.Multiple * (g.*rule.Step);
    if (rule.Centred) {
        a.Min = g.VerticalCenter + rule.From * a.Step;
        a.Max = g.VerticalCenter + rule.To * a.Step;
    } else {
        a.Min = rule.From * a.Step;
        a.Max = rule.To * a.Step;
    }
    a.Visible = a.Grid = rule.Shown;
    return a;
}

TAxisSetup GroupDelayAxisAfterChange(double usecPerDiv) {
    TAxisSetup a;
    a.Title = "usec";
    a.Step = usecPerDiv;
    a.Min = -1 * usecPerDiv;
    a.Max = 9 * usecPerDiv;
    return a;
}

TAxisSetup RightAxisSetup(TGraphKind kind) {
    const double limit = GraphKindDescriptor(kind).PhaseLimit;
    TAxisSetup a;
    a.Title = "deg";
    a.Step = 30;
    a.Grid = false;
    a.Visible = limit > 0;
    a.Min = limit > 0 ? -limit : -180;
    a.Max = limit > 0 ? limit : 180;
    return a;
}

TAxisSetup RightAxisSetup(const TGraphRecord& g) {
    if (!GraphKindDescriptor(g.Kind).DiAxis) return RightAxisSetup(g.Kind);
    const TAxisSetup left = LeftAxisSetup(g);
    TAxisSetup a;
    a.Title = "DI [dB]";
    a.Step = left.Step;
    a.Grid = false;
    a.Min = -left.Step;
    a.Max = a.Min + (left.Max - left.Min);
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

// The window's field a per-division submenu sets; null for the others.
double TGraphRecord::*PerDivisionField(TVerticalScaleMenu menu) {
    switch (menu) {
        case TVerticalScaleMenu::Ohms:
            return &TGraphRecord::OhmsPerDiv;
        case TVerticalScaleMenu::Volts:
            return &TGraphRecord::VoltsPerDiv;
        case TVerticalScaleMenu::Watts:
            return &TGraphRecord::WattsPerDiv;
        case TVerticalScaleMenu::Amps:
            return &TGraphRecord::AmpsPerDiv;
        default:
            return nullptr;
    }
}
}  // namespace

std::string CheckedScaleItem(const TGraphRecord& g, TVerticalScaleMenu menu) {
    const auto field = PerDivisionField(menu);
    return field ? CaptionOf(VerticalScaleItems(menu), g.*field) : std::string();
}

std::string CheckedDbPerDivItem(const TGraphRecord& g) { return CaptionOf(DbPerDivItems(), g.DbPerDiv); }

void SetPerDivision(TGraphRecord& g, TVerticalScaleMenu menu, double value) {
    if (const auto field = PerDivisionField(menu)) g.*field = value;
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
