// make_examples FOLDER [--tune DESIGN]
// Writes the shipped examples into FOLDER (the source tree's examples/):
// the modelled driver files (Drivers/), the circuit blocks (CircuitBlocks/)
// and the example designs, then opens every design again and prints how flat
// its summed response is. With --tune the named design's part values are
// searched for a flatter sum first and printed (to be copied back here).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include "ExampleKit.h"
#include "acoustics/BaffleEffectFile.h"
#include "acoustics/Enclosure.h"
#include "acoustics/EnclosureFiles.h"
#include "acoustics/Piston.h"
#include "base/DataTypes.h"
#include "base/MessageSink.h"
#include "base/Units.h"
#include "blocks/BlockCommands.h"
#include "blocks/CircuitBlocks.h"
#include "document/DataFolder.h"
#include "document/DocumentFlow.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/DriverModel.h"
#include "driverdata/MeasurementFile.h"
#include "files/BlockFile.h"
#include "files/DesignFile.h"
#include "graphs/CurveExport.h"
#include "model/ListeningSetup.h"
#include "model/StepModes.h"
#include "values/NumberFormat.h"

namespace pelmo::examples {

namespace {

// ---------------------------------------------------------------- drivers

// Invented, plausible parameter sets; no real driver is described.
struct ModelledDriver {
    const char* Name;
    TDriverModelParams P;
    bool MagnitudeOnly = false;
};

TDriverModelParams Params(double re, double leMh, double leExp, double fs, double qms, double qes, double vasLitres,
                          double sdCm2, std::vector<TConeResonance> cone, double baffle, double delayMm) {
    TDriverModelParams p;
    p.Re = re;
    p.Le = leMh * 1e-3;
    p.LeExponent = leExp;
    p.Fs = fs;
    p.Qms = qms;
    p.Qes = qes;
    p.Vas = vasLitres * 1e-3;
    p.Sd = sdCm2 * 1e-4;
    p.Resonances = std::move(cone);
    p.BaffleWidth = baffle;
    p.Delay = delayMm * 1e-3 / ModelSpeedOfSound;
    return p;
}

std::vector<ModelledDriver> Drivers() {
    const TDriverModelParams dome = Params(4.7, 0.05, 1, 800, 1.8, 1.3, 0.01, 7, {{26000, 3}}, 0.2, 0);
    TDriverModelParams domeWide = dome;
    domeWide.BaffleWidth = 0.26;
    return {
        // 6.5-inch paper-cone woofer on the 20 cm baffle of the two-ways.
        {"Woofer165", Params(5.6, 0.55, 0.72, 38, 3.4, 0.42, 24, 133, {{5200, 2.5}}, 0.2, 18)},
        // 1-inch soft dome, ferrofluid damped.
        {"Tweeter25", dome},
        // The same dome as a published curve without phase.
        {"Tweeter25mag", dome, true},
        // Three-way on a 26 cm baffle: 8-inch woofer, 4-inch midrange, the dome.
        {"Woofer200", Params(5.8, 0.9, 0.7, 30, 4.0, 0.38, 55, 220, {{3200, 2}}, 0.26, 25)},
        {"Mid100", Params(6.0, 0.25, 0.75, 80, 2.6, 0.55, 2.8, 53, {{7500, 2.2}}, 0.26, 10)},
        {"Tweeter25wide", domeWide},
    };
}

void WriteWooferOffAxisSet(const std::string& folder);
void WriteBoxAndBaffleDrivers(const std::string& folder);

void WriteDrivers(const std::string& folder) {
    CreateFolderWithParents(folder);
    SilentMessageSink quiet;
    for (const ModelledDriver& m : Drivers())
        // From 5 Hz, below the analysis grid's 10 Hz: an impedance file is
        // extrapolated straight below its first point.
        if (!WriteDriverModelFiles(m.P, ModelFrequencies(5, 40000, 250), folder + m.Name, quiet, m.MagnitudeOnly))
            throw std::runtime_error(std::string("cannot write driver ") + m.Name);
    WriteWooferOffAxisSet(folder);
    WriteBoxAndBaffleDrivers(folder);
}

// The 6.5-inch woofer's off-axis set, modelled: its on-axis response times
// a rigid piston of its effective diameter, at 10 ... 90 degrees in one plane
// (taken as symmetric, and for the other plane of a round driver). Under a
// stem of its own (a copy of the woofer's files), so that the designs with
// the plain woofer do not carry the set.
constexpr double WooferEffectiveDiaInches = 5.1;  // 133 cm2 of cone
const std::string WooferSetStem = "Woofer165set";

void WriteWooferOffAxisSet(const std::string& folder) {
    SilentMessageSink quiet;
    DataArray f, mag, phase;
    const std::string onAxis = folder + "Woofer165.frd";
    if (!ReadMeasurementFile(onAxis, f, mag, phase, quiet) || phase.size() != f.size())
        throw std::runtime_error("cannot read " + onAxis);
    namespace fs = std::filesystem;
    for (const char* ext : {".frd", ".zma"})
        fs::copy_file(folder + "Woofer165" + ext, folder + WooferSetStem + ext, fs::copy_options::overwrite_existing);
    for (int angle = 10; angle <= 90; angle += 10) {
        std::vector<std::string> lines{"* modelled, not measured: Woofer165 at " + std::to_string(angle) +
                                       " degrees off axis (a piston of " + FormatGeneral(WooferEffectiveDiaInches, 3) +
                                       " in)"};
        for (std::size_t k = 0; k < f.size(); ++k) {
            const double factor = PistonFactorAt(WooferEffectiveDiaInches, f[k], angle);
            double ph = phase[k] + (factor < 0 ? 180.0 : 0.0);
            if (ph > 180) ph -= 360;
            char line[96];
            std::snprintf(line, sizeof line, "%.6g %.4f %.4f", f[k], mag[k] + 20 * std::log10(std::abs(factor)), ph);
            lines.emplace_back(line);
        }
        const std::string path = folder + WooferSetStem + "@" + std::to_string(angle) + ".frd";
        if (!WriteExportFile(path, lines)) throw std::runtime_error("cannot write " + path);
    }
}

// The two-way planned before anything is measured: the woofer in a vented
// box of 24 l tuned to 38 Hz, the dome on its own, both on a flat baffle of
// 20 x 35 cm whose edges' diffraction each driver carries as its acoustic
// effect (on axis at 1 m). Neither response has the crude baffle shelf of
// the other examples: the baffle's effect is the diffraction file's.
struct TBoxBaffle {
    TBaffle Baffle;
    double WooferYIn = -2.75, TweeterYIn = 2.75;
};

TBoxBaffle BoxBaffle() {
    TBoxBaffle b;
    b.Baffle.Shape = BaffleShape::Rectangle;
    b.Baffle.WidthIn = MetresToInches(0.20);
    b.Baffle.HeightIn = MetresToInches(0.35);
    // The tweeter's centre 8 cm below the top edge.
    b.Baffle.CentreYIn = b.TweeterYIn + MetresToInches(0.08) - b.Baffle.HeightIn / 2;
    return b;
}

void WriteBoxAndBaffleDrivers(const std::string& folder) {
    SilentMessageSink quiet;
    std::vector<ModelledDriver> all = Drivers();
    TDriverModelParams woofer = all[0].P, dome = all[1].P;
    woofer.BaffleWidth = dome.BaffleWidth = 0;
    TEnclosure box;
    box.Kind = EnclosureKind::Vented;
    box.Vb = 24e-3;
    box.Fb = 38;
    box.Ql = 7;
    const DataArray freqs = ModelFrequencies(5, 40000, 250);
    if (!WriteEnclosureModelFiles(woofer, box, freqs, folder + "Woofer165box", quiet) ||
        !WriteDriverModelFiles(dome, freqs, folder + "Tweeter25flush", quiet))
        throw std::runtime_error("cannot write the boxed drivers");
    const TBoxBaffle b = BoxBaffle();
    const TBaffleListener onAxis{0, 0, 1.0};
    if (!WriteBaffleEffectFile(folder + "Woofer165baffle.frd", b.Baffle, {0, b.WooferYIn, 0}, onAxis, freqs, quiet) ||
        !WriteBaffleEffectFile(folder + "Tweeter25baffle.frd", b.Baffle, {0, b.TweeterYIn, 0}, onAxis, freqs, quiet))
        throw std::runtime_error("cannot write the baffle's effect");
}

// ---------------------------------------------------------------- blocks

struct BlockVar {
    const char* Name;
    double Value;
    const char* Desc;
};

void SetHeader(TCircuitBlock& b, const std::string& title, std::initializer_list<BlockVar> user,
               std::initializer_list<std::pair<BlockVar, const char*>> intermediate = {}) {
    b = TCircuitBlock();
    b.Title = title;
    int slot = 2;
    for (const BlockVar& v : user) {
        b.VarName[slot] = v.Name;
        b.VarValue[slot] = v.Value;
        b.VarDesc[slot] = v.Desc;
        b.VarStepMode[slot] = smLog;
        ++slot;
    }
    slot = 0;
    for (const auto& [v, expression] : intermediate) {
        b.VarName[slot] = v.Name;
        b.VarValue[slot] = v.Value;
        b.VarDesc[slot] = v.Desc;
        b.VarExpression[slot] = expression;
        b.VarStepMode[slot] = smLog;
        ++slot;
    }
}

// A member whose value follows the expression. Block inductors keep a fixed
// resistance of 0.3 ohm (a typical coil of the sizes these blocks make).
TPart& Bound(TPart& p, const char* equation) {
    p.Equation1 = equation;
    if (p.PartType == TPartType::Inductor) p.ESR = p.BoundESR = 0.3;
    return p;
}

// Every block is drawn around (100, 60): its connection points are at the
// ends of short wire stubs, named in each block's text.
void SaveBlock(const std::string& path, const std::function<void(TDesign&, Sheet&)>& draw) {
    TDesign d;
    d.BlockDesignMode = true;
    Sheet s(d);
    draw(d, s);
    SilentMessageSink quiet;
    // Values as the expressions give them, so the file shows sensible ones.
    TCircuitBlock& b = d.SharedBlock;
    b.NeedsEval = true;
    for (auto& p : d.Parts) b.Parts.push_back(p.get());
    EvaluateBlock(b, BlockEvaluator(), quiet);
    b.Parts.clear();
    SaveCircuitBlock(d, path, quiet);
}

// Series part from (97, 60) to (103, 60), a stub on to the output at
// (109, 60), a shunt part from (106, 60) to ground.
void DrawSeriesShunt(Sheet& s, TPartType seriesType, const char* seriesEq, TPartType shuntType, const char* shuntEq) {
    Bound(s.H(seriesType, 1, 100, 60), seriesEq);
    s.W({103, 60}, {109, 60});
    Bound(s.V(shuntType, 1, 106, 63), shuntEq);
    s.G({106, 66});
}

void WriteBlocks(const std::string& folder) {
    CreateFolderWithParents(folder);
    SaveBlock(folder + "LowPass2.pbk", [](TDesign& d, Sheet& s) {
        SetHeader(d.SharedBlock, "2nd-order low-pass",
                  {{"F", 2000, "Crossover frequency (Hz)"},
                   {"Z", 6, "Driver impedance near F (ohm)"},
                   {"Q", 0.6, "Q: 0.5 Linkwitz-Riley, 0.71 Butterworth"}});
        DrawSeriesShunt(s, TPartType::Inductor, "Z/(Q*2*pi*F)", TPartType::Capacitor, "Q/(Z*2*pi*F)");
        s.Text(100, 56, "low-pass");
    });
    SaveBlock(folder + "HighPass2.pbk", [](TDesign& d, Sheet& s) {
        SetHeader(d.SharedBlock, "2nd-order high-pass",
                  {{"F", 2000, "Crossover frequency (Hz)"},
                   {"Z", 6, "Driver impedance near F (ohm)"},
                   {"Q", 0.6, "Q: 0.5 Linkwitz-Riley, 0.71 Butterworth"}});
        DrawSeriesShunt(s, TPartType::Capacitor, "Q/(Z*2*pi*F)", TPartType::Inductor, "Z/(Q*2*pi*F)");
        s.Text(100, 56, "high-pass");
    });
    SaveBlock(folder + "LPad.pbk", [](TDesign& d, Sheet& s) {
        SetHeader(d.SharedBlock, "L-pad", {{"A", 6, "Attenuation (dB)"}, {"Z", 6, "Driver impedance (ohm)"}},
                  {{{"G", 0.5, "Voltage ratio"}, "10^(-MAX(A,0.01)/20)"}});
        DrawSeriesShunt(s, TPartType::Resistor, "Z*(1-G)", TPartType::Resistor, "Z*G/(1-G)");
        s.Text(100, 56, "L-pad");
    });
    SaveBlock(folder + "Zobel.pbk", [](TDesign& d, Sheet& s) {
        SetHeader(d.SharedBlock, "Zobel (impedance compensation)",
                  {{"Re", 5.6, "Voice-coil resistance Re (ohm)"}, {"Le", 0.5, "Voice-coil inductance Le (mH)"}});
        s.W({100, 54}, {100, 57});
        Bound(s.V(TPartType::Resistor, 1, 100, 60), "Re");
        Bound(s.V(TPartType::Capacitor, 1, 100, 66), "Le/1000/Re^2");
        s.G({100, 69});
        s.Text(104, 60, "Zobel");
    });
    SaveBlock(folder + "Notch.pbk", [](TDesign& d, Sheet& s) {
        // A parallel resonant circuit in series with the driver: at F it
        // leaves only R, so the driver gets Zd/(Zd+R) of the voltage.
        SetHeader(d.SharedBlock, "Series notch (parallel LCR in series with the driver)",
                  {{"F", 5000, "Notch centre frequency (Hz)"},
                   {"Q", 2, "Notch Q (width about F/Q)"},
                   {"D", 6, "Notch depth (dB)"}},
                  {{{"Zd", 6, "Driver impedance at F (ohm)"}, "6"}, {{"Rp", 3, "R parallel Zd"}, "Zd*(1-10^(-D/20))"}});
        Bound(s.H(TPartType::Resistor, 1, 100, 57), "Zd*(10^(D/20)-1)");
        Bound(s.H(TPartType::Inductor, 1, 100, 60), "Rp/(2*pi*F*Q)");
        Bound(s.H(TPartType::Capacitor, 1, 100, 63), "Q/(2*pi*F*Rp)");
        s.W({97, 57}, {97, 63});
        s.W({103, 57}, {103, 63});
        s.W({94, 60}, {97, 60});
        s.W({103, 60}, {106, 60});
        s.Text(100, 54, "notch (Zd: block designer)");
    });
}

// ---------------------------------------------------------------- designs

using Builder = std::function<void(TDesign&, const std::string& drivers, std::vector<Knob>& knobs)>;

struct Example {
    const char* File;
    double LowHz, HighHz;  // band of the flatness figure
    Builder Build;
};

void Describe(TDriver& drv, const std::string& name, const std::string& description, double diameterInches) {
    drv.Name = name;
    drv.Description = description;
    drv.NominalDia = diameterInches;
}

// Two-way: 6.5-inch woofer, 1-inch dome, second-order electrical sections,
// Zobel on the woofer, L-pad on the tweeter.
void TwoWayNetwork(TDesign& d, const std::string& drivers, std::vector<Knob>& knobs, bool derivedPhase) {
    Sheet s(d);
    s.Source(30, 50);  // + at (33, 48), - at (33, 52)
    s.GroundSource();
    // Woofer branch along y = 36.
    s.Path({{33, 48}, {33, 36}, {37, 36}});
    TPart& l1 = s.H(TPartType::Inductor, 1.5e-3, 40, 36);
    s.W({43, 36}, {68, 36});
    TPart& c1 = s.V(TPartType::Capacitor, 12e-6, 50, 39);
    s.G({50, 42});
    // Zobel: about 1.2 Re, and C = L/R^2 for the coil's inductance near 2.5 kHz.
    s.V(TPartType::Resistor, 6.8, 58, 39);
    s.V(TPartType::Capacitor, 10e-6, 58, 45);
    s.G({58, 48});
    TDriver& woofer = s.Driver(69, 37);
    s.GroundDriver(woofer);
    // Tweeter branch along y = 60.
    s.Path({{33, 48}, {37, 48}, {37, 60}});
    TPart& c3 = s.H(TPartType::Capacitor, 8.2e-6, 40, 60);
    s.W({43, 60}, {52, 60});
    TPart& l2 = s.V(TPartType::Inductor, 0.56e-3, 48, 63);
    s.G({48, 66});
    TPart& r2 = s.H(TPartType::Resistor, 4.7, 55, 60);
    s.W({58, 60}, {68, 60});
    TPart& r3 = s.V(TPartType::Resistor, 5.1, 62, 63);
    s.G({62, 66});
    TDriver& tweeter = s.Driver(69, 61);
    s.GroundDriver(tweeter);
    tweeter.Inverted = false;

    LoadModelledDriver(d, woofer, drivers + "Woofer165");
    Describe(woofer, "Woofer 6.5 in", "modelled, not measured: 6.5-inch woofer", 6.5);
    LoadModelledDriver(d, tweeter, drivers + (derivedPhase ? "Tweeter25mag" : "Tweeter25"), derivedPhase);
    Describe(tweeter, "Tweeter 1 in", "modelled, not measured: 1-inch dome tweeter", 1);
    // The tweeter stays above about 2 kHz, four times its resonance.
    knobs = {{&l1, 0.5e-3, 2e-3},    {&c1, 2e-6, 20e-6}, {&c3, 3.3e-6, 8.2e-6},
             {&l2, 0.15e-3, 0.6e-3}, {&r2, 1, 8},        {&r3, 2, 20}};
}

void TwoWay(TDesign& d, const std::string& drivers, std::vector<Knob>& knobs) {
    TwoWayNetwork(d, drivers, knobs, false);
    Sheet s(d);
    s.Text(51, 25, "Two-way: 6.5-inch woofer, 1-inch dome (modelled drivers)", 10);
    s.Text(51, 28, "Woofer: L1/C1 low-pass, R1/C2 Zobel.  Tweeter: C3/L2 high-pass, R2/R3 L-pad.");
}

void TwoWayDerived(TDesign& d, const std::string& drivers, std::vector<Knob>& knobs) {
    TwoWayNetwork(d, drivers, knobs, true);
    TDriver& tweeter = *d.Drivers[1];
    tweeter.Acoustic.Tails.LowFreq = 500;
    tweeter.Acoustic.Tails.HighFreq = 20000;
    tweeter.Acoustic.Tails.LowSlope = 12;
    tweeter.Acoustic.Tails.HighSlope = 18;
    Sheet s(d);
    s.Text(51, 23, "Two-way with the tweeter's phase derived from its level", 10);
    s.Text(51, 26, "Tweeter25mag.frd has no phase: it comes from the level with response tails");
    s.Text(51, 28, "at 500 Hz and 20 kHz (12 and 18 dB/octave). Compare with TwoWay.bkt.");
}

// The two-way's woofer and tweeter at their heights on the baffle (inches),
// with their diameters, heard from where they sit at the default listening
// point.
void PlaceTwoWayDrivers(TDesign& d, double wooferYIn, double tweeterYIn) {
    d.Drivers[0]->Acoustic.YOffsetInches = wooferYIn;
    d.Drivers[0]->Acoustic.DiameterInches = WooferEffectiveDiaInches;
    d.Drivers[1]->Acoustic.YOffsetInches = tweeterYIn;
    d.Drivers[1]->Acoustic.DiameterInches = 1.0;
    TListeningSetup setup;
    setup.UseDriverPositions = true;
    WriteListeningSetup(setup, d.Settings);
}

// The two-way heard where it is listened to: the drivers at their places on
// the baffle (the tweeter's centre 5.5 in above the woofer's, the design's
// origin between them at the crossover's listening height), the woofer with
// its modelled off-axis set, the tweeter with its diameter only (a piston).
void TwoWayDirectivity(TDesign& d, const std::string& drivers, std::vector<Knob>& knobs) {
    TwoWayNetwork(d, drivers, knobs, false);
    LoadModelledDriver(d, *d.Drivers[0], drivers + WooferSetStem);
    PlaceTwoWayDrivers(d, -2.75, 2.75);
    Sheet s(d);
    s.Text(51, 23, "Two-way heard at 1 m, the drivers where they sit", 10);
    s.Text(51, 26, "Tweeter 5.5 in above the woofer; the woofer has an off-axis set (@10 ... @90).");
    s.Text(51, 28, "Tools > Listening position; AddGraph > Spinorama, Off-axis, Polar map.");
}

void TwoWayModelled(TDesign& d, const std::string& drivers, std::vector<Knob>& knobs) {
    TwoWayNetwork(d, drivers, knobs, false);
    // The values a search for the flattest sum found (--tune): a larger L1 and C1
    // to take down the woofer's top octave against the baffle step, and a
    // stronger pad on the tweeter.
    const double tuned[] = {2e-3, 18e-6, 8.2e-6, 510e-6, 5.1, 20};
    for (std::size_t i = 0; i < knobs.size(); ++i) knobs[i].Part->Value = tuned[i];
    const TBoxBaffle b = BoxBaffle();
    SilentMessageSink quiet;
    const struct {
        TDriver& Drv;
        const char* Stem;
        const char* Baffle;
    } drivers2[] = {{*d.Drivers[0], "Woofer165box", "Woofer165baffle.frd"},
                    {*d.Drivers[1], "Tweeter25flush", "Tweeter25baffle.frd"}};
    for (const auto& m : drivers2) {
        LoadModelledDriver(d, m.Drv, drivers + m.Stem);
        if (!LoadAcousticEffect(m.Drv, drivers + m.Baffle, quiet))
            throw std::runtime_error(std::string("cannot load ") + m.Baffle);
        m.Drv.Acoustic.AcousticFile = drivers + m.Baffle;
    }
    PlaceTwoWayDrivers(d, b.WooferYIn, b.TweeterYIn);
    d.Drivers[0]->Description = "modelled, not measured: 6.5-inch woofer in a vented box (24 l, 38 Hz)";
    d.Drivers[1]->Description = "modelled, not measured: 1-inch dome tweeter";
    Sheet s(d);
    s.Text(51, 23, "Two-way planned before measuring: box, baffle, places", 10);
    s.Text(51, 26, "Woofer in a vented box (24 l, 38 Hz); both on a 20 x 35 cm baffle whose");
    s.Text(51, 28, "edges' diffraction is each driver's acoustic effect. Note the baffle step.");
}

// Three-way: 8-inch woofer, 4-inch midrange with a notch on its cone
// resonance, 1-inch dome; second-order sections and L-pads.
void ThreeWay(TDesign& d, const std::string& drivers, std::vector<Knob>& knobs) {
    Sheet s(d);
    s.Source(20, 50);  // + at (23, 48), - at (23, 52)
    s.GroundSource();
    s.W({23, 48}, {26, 48});
    s.W({26, 30}, {26, 66});  // feeds the three branches
    // Woofer along y = 30.
    s.W({26, 30}, {29, 30});
    TPart& l1 = s.H(TPartType::Inductor, 4.7e-3, 32, 30);
    s.W({35, 30}, {60, 30});
    TPart& c1 = s.V(TPartType::Capacitor, 47e-6, 42, 33);
    s.G({42, 36});
    TDriver& woofer = s.Driver(61, 31);
    s.GroundDriver(woofer);
    // Midrange along y = 48: high-pass, low-pass, notch, L-pad.
    s.W({26, 48}, {29, 48});
    TPart& c2 = s.H(TPartType::Capacitor, 36e-6, 32, 48);
    s.W({35, 48}, {41, 48});
    TPart& l2 = s.V(TPartType::Inductor, 3e-3, 38, 51);
    s.G({38, 54});
    TPart& l3 = s.H(TPartType::Inductor, 0.62e-3, 44, 48);
    s.W({47, 48}, {53, 48});
    TPart& c3 = s.V(TPartType::Capacitor, 10e-6, 50, 51);
    s.G({50, 54});
    // The notch: L and C resonate at 7.3 kHz, on the cone resonance; the
    // resistor sets the depth. Five rows apart, so their labels stay apart.
    TPart& r4 = s.H(TPartType::Resistor, 8.2, 56, 43);
    s.H(TPartType::Inductor, 0.1e-3, 56, 48);
    s.H(TPartType::Capacitor, 4.7e-6, 56, 53);
    s.W({53, 43}, {53, 53});
    s.W({59, 43}, {59, 53});
    TPart& r5 = s.H(TPartType::Resistor, 4.3, 62, 48);
    s.W({65, 48}, {72, 48});
    TPart& r6 = s.V(TPartType::Resistor, 5.1, 66, 51);
    s.G({66, 54});
    TDriver& mid = s.Driver(73, 49);
    s.GroundDriver(mid);
    // Tweeter along y = 66.
    s.W({26, 66}, {29, 66});
    TPart& c5 = s.H(TPartType::Capacitor, 8.2e-6, 32, 66);
    s.W({35, 66}, {41, 66});
    TPart& l5 = s.V(TPartType::Inductor, 0.33e-3, 38, 69);
    s.G({38, 72});
    TPart& r7 = s.H(TPartType::Resistor, 5.1, 44, 66);
    s.W({47, 66}, {54, 66});
    TPart& r8 = s.V(TPartType::Resistor, 4.3, 48, 69);
    s.G({48, 72});
    TDriver& tweeter = s.Driver(55, 67);
    s.GroundDriver(tweeter);
    mid.Inverted = true;

    LoadModelledDriver(d, woofer, drivers + "Woofer200");
    Describe(woofer, "Woofer 8 in", "modelled, not measured: 8-inch woofer", 8);
    LoadModelledDriver(d, mid, drivers + "Mid100");
    Describe(mid, "Midrange 4 in", "modelled, not measured: 4-inch midrange", 4);
    LoadModelledDriver(d, tweeter, drivers + "Tweeter25wide");
    Describe(tweeter, "Tweeter 1 in", "modelled, not measured: 1-inch dome tweeter", 1);
    s.Text(48, 16, "Three-way: 8-inch woofer, 4-inch midrange, 1-inch dome (modelled drivers)", 10);
    s.Text(48, 19, "Woofer: L1/C1.  Midrange: C2/L2 high-pass, L3/C3 low-pass, R1/L4/C4 notch");
    s.Text(48, 21, "on the cone resonance at 7.5 kHz, R2/R3 L-pad, wired inverted.");
    s.Text(48, 23, "Tweeter: C5/L5 high-pass, R4/R5 L-pad.");
    knobs = {// Crossovers near 400 Hz and 3 kHz.
             {&l1, 2.2e-3, 5.6e-3}, {&c1, 15e-6, 68e-6},   {&c2, 22e-6, 68e-6},   {&l2, 1e-3, 3.3e-3},
             {&l3, 0.2e-3, 1e-3},   {&c3, 2.2e-6, 12e-6},  {&r4, 2, 15},          {&r5, 0.5, 8},
             {&r6, 2, 40},          {&c5, 3.3e-6, 8.2e-6}, {&l5, 0.2e-3, 0.8e-3}, {&r7, 0.5, 8},
             {&r8, 2, 30}};
}

// Adds a block from its file and moves it so that its connection point (the
// first part's first terminal, or with byWire the first wire's first end)
// lands on `at`.
TCircuitBlock& PlaceBlockAt(TDesign& d, const std::string& path, TPoint at, bool byWire = false) {
    SilentMessageSink quiet;
    TCircuitBlock* b = LoadBlockForPlacing(d, path, quiet);
    if (!b) throw std::runtime_error("cannot read block " + path);
    PlaceNewBlock(d, at);
    const TPoint now = byWire ? b->Wires.front()->End1 : b->Parts.front()->Terminal1;
    PlaceBlock(d, *b, static_cast<int>(d.Blocks.size()) - 1, {b->Center.X + at.X - now.X, b->Center.Y + at.Y - now.Y},
               true);
    return *b;
}

void SetVar(TCircuitBlock& b, const char* name, double value) {
    for (int v = 0; v < BlockVarCount; ++v)
        if (b.VarName[v] == name) {
            b.VarValue[v] = value;
            return;
        }
    throw std::logic_error(std::string("no block variable ") + name);
}

Knob VarKnob(TCircuitBlock& b, const char* name, double min, double max) {
    for (int v = 0; v < BlockVarCount; ++v)
        if (b.VarName[v] == name) return {nullptr, min, max, &b.VarValue[v]};
    throw std::logic_error(std::string("no block variable ") + name);
}

// The two-way drivers with circuit blocks: low-pass and Zobel on the woofer,
// high-pass and L-pad on the tweeter, each tuned through its variables.
void TwoWayBlocks(TDesign& d, const std::string& drivers, std::vector<Knob>& knobs) {
    const std::string blocks = drivers + "../CircuitBlocks/";
    Sheet s(d);
    s.Source(30, 50);  // + at (33, 48), - at (33, 52)
    s.GroundSource();
    s.Path({{33, 48}, {33, 36}, {37, 36}});
    TCircuitBlock& lowPass = PlaceBlockAt(d, blocks + "LowPass2.pbk", {37, 36});
    s.W({49, 36}, {68, 36});
    TCircuitBlock& zobel = PlaceBlockAt(d, blocks + "Zobel.pbk", {58, 36}, true);
    TDriver& woofer = s.Driver(69, 37);
    s.GroundDriver(woofer);
    s.Path({{33, 48}, {37, 48}, {37, 60}});
    TCircuitBlock& highPass = PlaceBlockAt(d, blocks + "HighPass2.pbk", {37, 60});
    // A free wire between the two blocks: each block is drawn on its own
    // shaded ground.
    s.W({49, 60}, {51, 60});
    TCircuitBlock& pad = PlaceBlockAt(d, blocks + "LPad.pbk", {51, 60});
    s.W({63, 60}, {68, 60});
    TDriver& tweeter = s.Driver(69, 61);
    s.GroundDriver(tweeter);

    SetVar(lowPass, "F", 1100);
    SetVar(lowPass, "Z", 6.8);
    SetVar(lowPass, "Q", 0.62);
    SetVar(zobel, "Re", 6.8);
    SetVar(zobel, "Le", 0.47);
    SetVar(highPass, "F", 2200);
    SetVar(highPass, "Z", 6.8);
    SetVar(highPass, "Q", 0.75);
    SetVar(pad, "A", 7.5);
    SetVar(pad, "Z", 9.1);

    LoadModelledDriver(d, woofer, drivers + "Woofer165");
    Describe(woofer, "Woofer 6.5 in", "modelled, not measured: 6.5-inch woofer", 6.5);
    LoadModelledDriver(d, tweeter, drivers + "Tweeter25");
    Describe(tweeter, "Tweeter 1 in", "modelled, not measured: 1-inch dome tweeter", 1);
    s.Text(51, 23, "Two-way built from circuit blocks", 10);
    s.Text(51, 26, "Tune a block through its variables (T on the block). Woofer: low-pass and");
    s.Text(51, 28, "Zobel blocks.  Tweeter: high-pass and L-pad blocks.");
    knobs = {VarKnob(lowPass, "F", 800, 3000),  VarKnob(lowPass, "Q", 0.45, 0.8), VarKnob(highPass, "F", 2000, 4000),
             VarKnob(highPass, "Q", 0.45, 0.8), VarKnob(pad, "A", 2, 12),         VarKnob(pad, "Z", 3, 10)};
}

const std::vector<Example>& Examples() {
    static const std::vector<Example> all = {
        {"TwoWay.bkt", 200, 15000, TwoWay},
        {"TwoWayDerivedPhase.bkt", 200, 15000, TwoWayDerived},
        {"ThreeWay.bkt", 200, 15000, ThreeWay},
        {"TwoWayBlocks.bkt", 200, 15000, TwoWayBlocks},
        {"TwoWayDirectivity.bkt", 200, 15000, TwoWayDirectivity},
        {"TwoWayModelled.bkt", 200, 15000, TwoWayModelled},
    };
    return all;
}

// Opens a written design again from a copy elsewhere, the way a user opens
// it, and measures its sum.
Flatness Reopen(const std::string& path, double lowHz, double highHz) {
    namespace fs = std::filesystem;
    const fs::path tmp = fs::temp_directory_path() / "pelmo-make-examples";
    fs::remove_all(tmp);
    fs::create_directories(tmp);
    const std::string copy = (tmp / fs::path(path).filename()).string();
    fs::copy_file(path, copy);
    TDesign d;
    SilentMessageSink quiet;
    if (!OpenDesignFile(d, copy, quiet)) throw std::runtime_error("cannot open " + copy);
    const Flatness f = MeasureFlatness(d, lowHz, highHz);
    fs::remove_all(tmp);
    return f;
}

// Texts must lie on the sheet and apart from each other (sizes as the
// program's default text metrics estimate them).
void CheckTexts(const TDesign& d) {
    for (std::size_t i = 0; i < d.Texts.size(); ++i) {
        const TRect& a = d.Texts[i]->TextRect;
        if (a.Left < 1 || a.Top < 1 || a.Right > SheetWidth - 1)
            throw std::logic_error("text off the sheet: " + d.Texts[i]->Text);
        for (std::size_t j = 0; j < i; ++j) {
            const TRect& b = d.Texts[j]->TextRect;
            if (a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom)
                throw std::logic_error("texts overlap: " + d.Texts[i]->Text + " / " + d.Texts[j]->Text);
        }
    }
}

void RunExample(const Example& e, const std::string& folder, bool tune) {
    TDesign d;
    std::vector<Knob> knobs;
    e.Build(d, folder + "Drivers/", knobs);
    CheckTexts(d);
    std::printf("%s\n", e.File);
    if (tune) Tune(d, knobs, e.LowHz, e.HighHz);
    const std::string path = folder + e.File;
    SilentMessageSink quiet;
    // Block members hold the values their expressions give for the variables
    // set above: the first solve after opening would change them otherwise,
    // and a design opened and saved unchanged would not be the file shipped.
    EvaluateBlocks(d, quiet);
    if (!WriteDesign(d, path, quiet)) throw std::runtime_error("cannot write " + path);
    const Flatness f = Reopen(path, e.LowHz, e.HighHz);
    std::printf("  sum %.1f dB +-%.2f dB from %g Hz to %g Hz; lowest impedance %.2f ohm at %.0f Hz\n", f.Mid,
                f.Spread / 2, f.LowHz, f.HighHz, f.MinOhms, f.MinOhmsHz);
}

}  // namespace

}  // namespace pelmo::examples

int main(int argc, char** argv) {
    using namespace pelmo::examples;
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_examples FOLDER [--tune DESIGN.bkt]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '/') folder += '/';
    const std::string tune = argc >= 4 && std::strcmp(argv[2], "--tune") == 0 ? argv[3] : "";
    try {
        WriteDrivers(folder + "Drivers/");
        WriteBlocks(folder + "CircuitBlocks/");
        for (const Example& e : Examples()) RunExample(e, folder, tune == e.File);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_examples: %s\n", e.what());
        return 1;
    }
    return 0;
}
