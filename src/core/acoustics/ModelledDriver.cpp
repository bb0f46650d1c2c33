#include "acoustics/ModelledDriver.h"

#include <cmath>
#include <filesystem>
#include <numbers>

#include "acoustics/BaffleEffectFile.h"
#include "acoustics/DriverGeometry.h"
#include "base/MessageSink.h"
#include "base/Paths.h"
#include "base/TextFile.h"
#include "driverdata/DriverLoad.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/DesignSettings.h"

namespace pelmo {

namespace {

constexpr double MmPerInch = 25.4;

// The settings' keys of the numbers, in the order they are written.
struct TRealKey {
    const char* Key;
    double TModelSetup::*Field;
};
const TRealKey RealKeys[] = {
    {"model.re", &TModelSetup::ReOhm},
    {"model.le", &TModelSetup::LeMh},
    {"model.le_exp", &TModelSetup::LeExponent},
    {"model.fs", &TModelSetup::FsHz},
    {"model.qms", &TModelSetup::Qms},
    {"model.qes", &TModelSetup::Qes},
    {"model.vas", &TModelSetup::VasLitres},
    {"model.sd", &TModelSetup::SdCm2},
    {"model.xmax", &TModelSetup::XmaxMm},
    {"model.vb", &TModelSetup::VbLitres},
    {"model.fb", &TModelSetup::FbHz},
    {"model.ql", &TModelSetup::Ql},
    {"model.qa", &TModelSetup::Qa},
    {"model.port", &TModelSetup::PortDiameterCm},
    {"model.mmp", &TModelSetup::MmpGrams},
    {"model.cmp", &TModelSetup::CmpMmPerN},
    {"model.sp", &TModelSetup::SpCm2},
    {"model.qmp", &TModelSetup::Qmp},
    {"model.width", &TModelSetup::WidthMm},
    {"model.height", &TModelSetup::HeightMm},
    {"model.diameter", &TModelSetup::DiameterMm},
    {"model.roundover", &TModelSetup::RoundoverMm},
    {"model.x", &TModelSetup::XMm},
    {"model.y", &TModelSetup::YMm},
    {"model.power", &TModelSetup::Watts},
};
constexpr const char* BoxKey = "model.box";
constexpr const char* BaffleKey = "model.baffle";

const char* const BoxNames[] = {"none", "sealed", "vented", "pr"};
const char* const BaffleNames[] = {"none", "rectangle", "circle"};

// The fields the baffle's factor depends on.
bool SameBaffle(const TModelSetup& a, const TModelSetup& b) {
    if (a.Baffle != b.Baffle || a.RoundoverMm != b.RoundoverMm || a.XMm != b.XMm || a.YMm != b.YMm ||
        a.SdCm2 != b.SdCm2)
        return false;
    if (a.Baffle == ModelBaffleKind::Circle) return a.DiameterMm == b.DiameterMm;
    return a.WidthMm == b.WidthMm && a.HeightMm == b.HeightMm;
}

std::string AngleName(TPlane plane, int deg) {
    return (plane == TPlane::Horizontal ? "@h" : "@v") + std::to_string(deg);
}

bool Finite(std::complex<double> z) { return std::isfinite(z.real()) && std::isfinite(z.imag()); }

}  // namespace

TDriverModelParams ModelDriverParams(const TModelSetup& s) {
    TDriverModelParams p;
    p.Re = s.ReOhm;
    p.Le = s.LeMh * 1e-3;
    p.LeExponent = s.LeExponent;
    p.Fs = s.FsHz;
    p.Qms = s.Qms;
    p.Qes = s.Qes;
    p.Vas = s.VasLitres * 1e-3;
    p.Sd = s.SdCm2 * 1e-4;
    p.Xmax = s.XmaxMm * 1e-3;
    return p;
}

TModelSetup WithDriverParams(TModelSetup s, const TDriverModelParams& p) {
    s.ReOhm = p.Re;
    s.LeMh = p.Le * 1e3;
    s.FsHz = p.Fs;
    s.Qms = p.Qms;
    s.Qes = p.Qes;
    s.VasLitres = p.Vas * 1e3;
    s.SdCm2 = p.Sd * 1e4;
    s.XmaxMm = p.Xmax * 1e3;
    return s;
}

TEnclosure ModelEnclosure(const TModelSetup& s) {
    TEnclosure box;
    box.Kind = s.Box;
    box.Vb = s.VbLitres * 1e-3;
    box.Ql = s.Ql;
    box.Qa = s.Qa;
    if (s.Box == EnclosureKind::Vented) {
        box.Fb = s.FbHz;
        box.PortArea = PistonArea(s.PortDiameterCm * 1e-2);
    }
    if (s.Box == EnclosureKind::PassiveRadiator) {
        box.Radiator.Mmp = s.MmpGrams * 1e-3;
        box.Radiator.Cmp = s.CmpMmPerN * 1e-3;
        box.Radiator.Sp = s.SpCm2 * 1e-4;
        box.Radiator.Qmp = s.Qmp;
    }
    return box;
}

double EffectiveDiameterInches(const TModelSetup& s) {
    const double area = s.SdCm2 * 1e-4;
    return area > 0 ? 2 * std::sqrt(area / std::numbers::pi) / 0.0254 : 0.0;
}

TBaffle ModelBaffle(const TModelSetup& s) {
    TBaffle b;
    b.Shape = s.Baffle == ModelBaffleKind::Circle ? BaffleShape::Circle : BaffleShape::Rectangle;
    b.WidthIn = s.WidthMm / MmPerInch;
    b.HeightIn = s.HeightMm / MmPerInch;
    b.DiameterIn = s.DiameterMm / MmPerInch;
    b.RoundoverIn = s.RoundoverMm / MmPerInch;
    // The driver at the origin: the baffle's centre lies the other way.
    b.CentreXIn = -s.XMm / MmPerInch;
    b.CentreYIn = -s.YMm / MmPerInch;
    return b;
}

TBaffleSource ModelBaffleSource(const TModelSetup& s) { return {0, 0, EffectiveDiameterInches(s)}; }

std::optional<std::string> ModelSetupProblem(const TModelSetup& s) {
    const TDriverModelParams p = ModelDriverParams(s);
    if (auto problem = DriverModelProblem(p)) return problem;
    if (!(s.XmaxMm >= 0)) return "Xmax must be a number not below 0.";
    if (s.Box == EnclosureKind::Vented && !(s.PortDiameterCm >= 0 && s.PortDiameterCm < 1e4))
        return "The port's diameter must be a number not below 0 (0: not known).";
    if (auto problem = EnclosureProblem(ModelEnclosure(s))) return problem;
    if (s.Baffle != ModelBaffleKind::None) {
        if (!(s.RoundoverMm >= 0)) return "The roundover must be a number not below 0.";
        if (auto problem = BaffleProblem(ModelBaffle(s), ModelBaffleSource(s))) return problem;
    }
    if (!(s.Watts > 0 && s.Watts <= 1e6)) return "The power must be a number greater than 0.";
    return std::nullopt;
}

void WriteModelSetup(const TModelSetup& s, TDesignSettings& settings) {
    for (const TRealKey& k : RealKeys) settings.SetReal(k.Key, s.*k.Field);
    settings.Set(BoxKey, BoxNames[static_cast<int>(s.Box)]);
    settings.Set(BaffleKey, BaffleNames[static_cast<int>(s.Baffle)]);
}

TModelSetup ReadModelSetup(const TDesignSettings& settings, const TModelSetup& fallback) {
    TModelSetup s = fallback;
    for (const TRealKey& k : RealKeys) s.*k.Field = settings.Real(k.Key, fallback.*k.Field);
    const std::string box = settings.Text(BoxKey, "");
    for (int i = 0; i < 4; ++i)
        if (box == BoxNames[i]) s.Box = static_cast<EnclosureKind>(i);
    const std::string baffle = settings.Text(BaffleKey, "");
    for (int i = 0; i < 3; ++i)
        if (baffle == BaffleNames[i]) s.Baffle = static_cast<ModelBaffleKind>(i);
    return s;
}

bool HasModelSetup(const TDesignSettings& settings) { return settings.Has(BoxKey); }

DataArray ModelPreviewFrequencies() { return ModelFrequencies(10.0, 20000.0, 60); }

TModelPreviewer::TModelPreviewer(DataArray freqs) : freqs_(std::move(freqs)) {}

const TModelPreview& TModelPreviewer::Update(const TModelSetup& s) {
    TModelPreview& v = preview_;
    v = TModelPreview{};
    if (auto problem = ModelSetupProblem(s)) {
        v.Problem = *problem;
        return v;
    }
    const TDriverModelParams p = ModelDriverParams(s);
    const TEnclosure box = ModelEnclosure(s);
    const bool baffle = s.Baffle != ModelBaffleKind::None;
    if (baffle && (!haveFactor_ || !SameBaffle(s, factorOf_))) {
        factor_ = BaffleFactor(ModelBaffle(s), ModelBaffleSource(s), TBaffleListener{}, freqs_);
        factorOf_ = s;
        haveFactor_ = true;
        ++baffleSolves_;
    }
    const std::vector<TEnclosurePoint> points = SolveEnclosure(p, box, freqs_);
    TDriverModelData data;
    for (std::size_t k = 0; k < points.size(); ++k)
        AppendModelPoint(data, baffle ? points[k].Pressure * factor_[k] : points[k].Pressure, points[k].Impedance);
    v.Freq = freqs_;
    v.SplDb = std::move(data.SplDb);
    v.SplDeg = std::move(data.SplDeg);
    v.Ohms = std::move(data.Ohms);
    v.OhmsDeg = std::move(data.OhmsDeg);
    const TExcursion x = EnclosureExcursion(p, box, freqs_, s.Watts);
    v.ConeMm.reserve(x.Cone.size());
    for (double m : x.Cone) v.ConeMm.push_back(m * 1e3);
    const double ventScale = box.Kind == EnclosureKind::PassiveRadiator ? 1e3 : 1.0;
    for (double u : x.Vent) v.Vent.push_back(u * ventScale);
    v.Driver = DeriveDriverModel(p);
    v.Enclosure = DeriveEnclosure(p, box);
    v.Peak = PeakExcursion(x);
    v.WattsWithinXmax = PowerWithinXmax(p, x, s.Watts);
    return v;
}

bool IsModelName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (c == '@' || c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32) return false;
    return true;
}

bool WriteModelFiles(const TModelSetup& s, const std::string& folder, const std::string& name, TModelFiles& files,
                     MessageSink& messages) {
    if (!IsModelName(name)) {
        messages.ShowMessage("\"" + name + "\" cannot name the model's files: give a file name without @, / or \\.");
        return false;
    }
    if (auto problem = ModelSetupProblem(s)) {
        messages.ShowMessage(*problem);
        return false;
    }
    std::string why;
    if (!CreateFolderWithParents(folder, &why)) {
        messages.ShowMessage("Could not create " + folder + (why.empty() ? "" : ": " + why));
        return false;
    }
    const std::string base = folder + name;
    TModelFiles out;
    out.Frd = base + ".frd";
    out.Zma = base + ".zma";
    const TDriverModelParams p = ModelDriverParams(s);
    const TEnclosure box = ModelEnclosure(s);
    if (!WriteEnclosureModelFiles(p, box, ModelFrequencies(), base, messages)) return false;

    std::vector<std::string> offAxisNames;
    for (TPlane plane : {TPlane::Horizontal, TPlane::Vertical})
        for (int deg = ModelOffAxisStepDeg; deg <= ModelOffAxisLastDeg; deg += ModelOffAxisStepDeg)
            offAxisNames.push_back(base + AngleName(plane, deg) + ".frd");
    if (s.Baffle == ModelBaffleKind::None) {
        // A set left by an earlier model with a baffle would be read as this one's.
        std::error_code ec;
        for (const std::string& f : offAxisNames) std::filesystem::remove(f, ec);
        files = out;
        return true;
    }

    DataArray grid;
    MakeLogGrid(grid);
    const TBaffle baffle = ModelBaffle(s);
    const TBaffleSource source = ModelBaffleSource(s);
    const TBaffleDiffraction diffraction(baffle, source, grid);
    const std::vector<std::complex<double>> onAxis = diffraction.Factor(TBaffleListener{});
    for (const auto& a : onAxis)
        if (!Finite(a) || std::abs(a) == 0) {
            messages.ShowMessage("This baffle gives no finite diffraction factor.");
            return false;
        }
    out.Baffle = base + "-baffle.frd";
    if (!WriteTextLines(out.Baffle, BaffleEffectLines(baffle, source, TBaffleListener{}, grid, onAxis))) {
        messages.ShowMessage("Could not write " + out.Baffle);
        return false;
    }
    const std::vector<TEnclosurePoint> points = SolveEnclosure(p, box, grid);
    std::vector<std::string> header = EnclosureHeader(p, box);
    std::size_t i = 0;
    std::vector<std::complex<double>> factor;
    for (TPlane plane : {TPlane::Horizontal, TPlane::Vertical})
        for (int deg = ModelOffAxisStepDeg; deg <= ModelOffAxisLastDeg; deg += ModelOffAxisStepDeg, ++i) {
            TBaffleListener heard;
            (plane == TPlane::Horizontal ? heard.HDeg : heard.VDeg) = deg;
            diffraction.Factor(heard, factor);
            TDriverModelData data;
            data.Freq = grid;
            for (std::size_t k = 0; k < grid.size(); ++k)
                AppendModelPoint(data, points[k].Pressure * factor[k] / onAxis[k], points[k].Impedance);
            std::vector<std::string> extra = header;
            extra.push_back(std::string("* heard ") + std::to_string(deg) + " deg " +
                            (plane == TPlane::Horizontal ? "to the right" : "above") +
                            " on the baffle, over its on-axis diffraction (the driver's acoustic effect)");
            if (!WriteTextLines(offAxisNames[i], ModelFrdLines(p, data, false, extra))) {
                messages.ShowMessage("Could not write " + offAxisNames[i]);
                return false;
            }
        }
    out.OffAxis = std::move(offAxisNames);
    files = out;
    return true;
}

bool LoadModelFiles(TDesign& d, std::size_t driver, const TModelFiles& files, double diameterInches,
                    MessageSink& messages) {
    if (driver >= d.Drivers.size()) return false;
    TDriver scratch = *d.Drivers[driver];
    if (!LoadDriverResponse(d, scratch, files.Frd, messages)) return false;
    scratch.Acoustic.FRDFile = files.Frd;
    scratch.Acoustic.HilbertPhase = false;
    if (!LoadDriverImpedance(d, scratch, files.Zma, messages)) return false;
    scratch.ZMAFile = files.Zma;
    if (files.Baffle.empty()) {
        scratch.Acoustic.AcousticFile.clear();
        scratch.Acoustic.AcousticEffect.clear();
    } else {
        if (!LoadAcousticEffect(scratch, files.Baffle, messages)) return false;
        scratch.Acoustic.AcousticFile = files.Baffle;
    }
    if (diameterInches > 0) scratch.Acoustic.DiameterInches = diameterInches;
    *d.Drivers[driver] = std::move(scratch);
    return true;
}

}  // namespace pelmo
