#include "driverdata/DriverModel.h"

#include <cmath>
#include <numbers>

#include "base/MessageSink.h"
#include "base/TextFile.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

using cplx = std::complex<double>;
constexpr double Pi = std::numbers::pi;
constexpr double ReferencePressure = 20e-6;  // Pa, 0 dB SPL

// The usual estimate of the baffle-step frequency: 115 Hz for a 1 m wide baffle.
constexpr double BaffleStepHzMetres = 115.0;

std::string Num(double x) { return std::isnan(x) ? std::string("not a number") : FormatGeneral(x, 6); }

// "<what> must be a number greater than 0 <unit>" and its relatives.
std::optional<std::string> Check(bool ok, double x, const std::string& what, const char* rule) {
    if (ok) return std::nullopt;
    return what + " must be " + rule + " (it is " + Num(x) + ").";
}

std::optional<std::string> Positive(double x, const std::string& what) {
    return Check(std::isfinite(x) && x > 0, x, what, "a number greater than 0");
}

std::optional<std::string> NotNegative(double x, const std::string& what) {
    return Check(std::isfinite(x) && x >= 0, x, what, "a number not below 0");
}

double WrapDegrees(double deg) {
    deg = std::remainder(deg, 360.0);
    return deg <= -180.0 ? deg + 360.0 : deg;
}

cplx SeriesInductance(const TDriverModelParams& p, double f) {
    if (p.Le == 0) return 0.0;
    const double fr = SemiInductanceReferenceHz;
    if (p.LeExponent == 1) return cplx(0.0, 2 * Pi * f * p.Le);
    // (j f/fr)^n = (f/fr)^n at the angle n*90 degrees.
    return 2 * Pi * fr * p.Le * std::polar(std::pow(f / fr, p.LeExponent), p.LeExponent * Pi / 2);
}

cplx MechanicalImpedance(const TDriverModelDerived& m, double w) { return cplx(m.Rms, w * m.Mms - 1.0 / (w * m.Cms)); }

std::string Header(const TDriverModelParams& p, const TDriverModelDerived& m) {
    std::string le = "Le " + Num(p.Le * 1e3) + " mH";
    if (p.LeExponent != 1) le += " (semi-inductance, exponent " + Num(p.LeExponent) + ", value at 1 kHz)";
    std::string extras;
    for (const TConeResonance& r : p.Resonances) extras += "cone resonance " + Num(r.Freq) + " Hz Q " + Num(r.Q) + "; ";
    if (p.RolloffHz > 0) extras += "roll-off " + Num(p.RolloffHz) + " Hz; ";
    extras += p.BaffleWidth > 0
                  ? "baffle " + Num(p.BaffleWidth) + " m (step " + FormatGeneral(m.BaffleStepHz, 3) + " Hz); "
                  : std::string("infinite baffle; ");
    extras += "acoustic-centre delay " + Num(p.Delay * ModelSpeedOfSound * 1e3) + " mm";
    return "* Re " + Num(p.Re) + " ohm, " + le + "\n" + "* fs " + Num(p.Fs) + " Hz, Qms " + Num(p.Qms) + ", Qes " +
           Num(p.Qes) + ", Qts " + FormatGeneral(m.Qts, 3) + ", Vas " + Num(p.Vas * 1e3) + " l, Sd " + Num(p.Sd * 1e4) +
           " cm2\n" + "* " + extras + "\n" + "* reference efficiency " + FormatGeneral(m.Efficiency * 100, 3) +
           " %, sensitivity " + FormatFixed(m.Sensitivity, 1) + " dB at 2.83 V / 1 m";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace

double PistonArea(double diameter) { return Pi * diameter * diameter / 4.0; }

std::optional<std::string> DriverModelProblem(const TDriverModelParams& p) {
    if (auto e = Positive(p.Re, "Re (ohms)")) return e;
    if (auto e = NotNegative(p.Le, "Le (henries)")) return e;
    if (auto e = Check(std::isfinite(p.LeExponent) && p.LeExponent > 0 && p.LeExponent <= 1, p.LeExponent,
                       "The inductance exponent", "above 0 and at most 1"))
        return e;
    if (auto e = Positive(p.Fs, "fs (Hz)")) return e;
    if (auto e = Positive(p.Qms, "Qms")) return e;
    if (auto e = Positive(p.Qes, "Qes")) return e;
    if (auto e = Positive(p.Vas, "Vas")) return e;
    if (auto e = Positive(p.Sd, "Sd")) return e;
    for (const TConeResonance& r : p.Resonances) {
        if (auto e = Positive(r.Freq, "A cone resonance frequency (Hz)")) return e;
        if (auto e = Positive(r.Q, "A cone resonance Q")) return e;
    }
    if (auto e = NotNegative(p.RolloffHz, "The roll-off frequency (Hz)")) return e;
    if (auto e = NotNegative(p.BaffleWidth, "The baffle width")) return e;
    if (auto e = NotNegative(p.Delay, "The acoustic-centre delay")) return e;
    const double efficiency = ReferenceEfficiency(p);
    if (!(efficiency < 1))
        return "fs, Vas and Qes give a reference efficiency of " + Num(efficiency * 100) +
               " %: no driver turns more than all of its power into sound.";
    return std::nullopt;
}

double ReferenceEfficiency(const TDriverModelParams& p) {
    const double c = ModelSpeedOfSound;
    return 4 * Pi * Pi / (c * c * c) * p.Fs * p.Fs * p.Fs * p.Vas / p.Qes;
}

TDriverModelDerived DeriveDriverModel(const TDriverModelParams& p) {
    TDriverModelDerived m;
    const double rho = ModelAirDensity, c = ModelSpeedOfSound, ws = 2 * Pi * p.Fs;
    m.Cms = p.Vas / (rho * c * c * p.Sd * p.Sd);
    m.Mms = 1.0 / (ws * ws * m.Cms);
    m.Rms = ws * m.Mms / p.Qms;
    m.Bl = std::sqrt(ws * m.Mms * p.Re / p.Qes);
    m.Qts = p.Qms * p.Qes / (p.Qms + p.Qes);
    m.Efficiency = ReferenceEfficiency(p);
    // Acoustic power eta0 * V^2/Re spread over a half sphere of radius r.
    const double r = ModelDistance, v = ModelDriveVolts;
    const double pressureSquared = m.Efficiency * v * v / p.Re * rho * c / (2 * Pi * r * r);
    m.Sensitivity = 10 * std::log10(pressureSquared / (ReferencePressure * ReferencePressure));
    m.BaffleStepHz = p.BaffleWidth > 0 ? BaffleStepHzMetres / p.BaffleWidth : 0;
    return m;
}

std::complex<double> ModelImpedance(const TDriverModelParams& p, double f) {
    const TDriverModelDerived m = DeriveDriverModel(p);
    const cplx zm = MechanicalImpedance(m, 2 * Pi * f);
    return p.Re + SeriesInductance(p, f) + m.Bl * m.Bl / zm;
}

std::complex<double> ModelPressure(const TDriverModelParams& p, double f) {
    const TDriverModelDerived m = DeriveDriverModel(p);
    const double w = 2 * Pi * f;
    const cplx zeb = p.Re + SeriesInductance(p, f);
    const cplx zm = MechanicalImpedance(m, w);
    // Cone velocity for the drive voltage, then the piston in half space.
    const cplx velocity = m.Bl * ModelDriveVolts / (zeb * zm + m.Bl * m.Bl);
    const cplx pressure = cplx(0, w) * ModelAirDensity * p.Sd * velocity / (2 * Pi * ModelDistance);
    return ApplyModelShaping(p, m, f, pressure);
}

std::complex<double> VoiceCoilImpedance(const TDriverModelParams& p, double f) { return p.Re + SeriesInductance(p, f); }

std::complex<double> ApplyModelShaping(const TDriverModelParams& p, const TDriverModelDerived& m, double f,
                                       std::complex<double> pressure) {
    const double w = 2 * Pi * f;
    for (const TConeResonance& r : p.Resonances) {
        const double x = f / r.Freq;
        pressure /= cplx(1 - x * x, x / r.Q);
    }
    if (p.RolloffHz > 0) pressure /= cplx(1, f / p.RolloffHz);
    if (p.BaffleWidth > 0) {
        // First-order shelf from 1/2 (full space) to 1 (half space), -3 dB at
        // the step frequency.
        const double b = std::sqrt(2.0) * m.BaffleStepHz;
        pressure *= cplx(b / 2, f) / cplx(b, f);
    }
    if (p.Delay > 0) pressure *= std::polar(1.0, -w * p.Delay);
    return pressure;
}

DataArray ModelFrequencies(double lowHz, double highHz, int perDecade) {
    DataArray f;
    if (!(lowHz > 0) || !(highHz > lowHz) || perDecade < 1) return f;
    // Far more points than any measurement has: a request beyond it (or a
    // ratio too large for a double) is refused before it becomes a count.
    const double wanted = std::round(perDecade * std::log10(highHz / lowHz));
    if (!(wanted <= 1e7)) return f;
    const int steps = std::max(1, static_cast<int>(wanted));
    f.reserve(steps + 1);
    for (int k = 0; k < steps; ++k) f.push_back(lowHz * std::pow(highHz / lowHz, static_cast<double>(k) / steps));
    f.push_back(highHz);
    return f;
}

TDriverModelData EvaluateDriverModel(const TDriverModelParams& p, const DataArray& freqs) {
    TDriverModelData d;
    d.Freq = freqs;
    for (double f : freqs) AppendModelPoint(d, ModelPressure(p, f), ModelImpedance(p, f));
    return d;
}

void AppendModelPoint(TDriverModelData& d, std::complex<double> pr, std::complex<double> z) {
    d.SplDb.push_back(20 * std::log10(std::abs(pr) / ReferencePressure));
    d.SplDeg.push_back(WrapDegrees(std::arg(pr) * 180 / Pi));
    d.Ohms.push_back(std::abs(z));
    d.OhmsDeg.push_back(WrapDegrees(std::arg(z) * 180 / Pi));
}

std::vector<std::string> ModelFrdLines(const TDriverModelParams& p, const TDriverModelData& data, bool magnitudeOnly,
                                       const std::vector<std::string>& extraHeader) {
    const TDriverModelDerived m = DeriveDriverModel(p);
    std::vector<std::string> lines = Lines(
        "* Modelled driver response, not a measurement: made by Pelmo from small-signal parameters.\n" + Header(p, m) +
        "\n* on axis at 2.83 V / 1 m in half space" +
        (magnitudeOnly ? "; the phase is left out\n* Freq [Hz]  SPL [dB]" : "\n* Freq [Hz]  SPL [dB]  Phase [deg]"));
    lines.insert(lines.end() - 1, extraHeader.begin(), extraHeader.end());
    for (std::size_t k = 0; k < data.Freq.size(); ++k) {
        std::string line = FormatFixed(data.Freq[k], 4) + '\t' + FormatFixed(data.SplDb[k], 4);
        if (!magnitudeOnly) line += '\t' + FormatFixed(data.SplDeg[k], 3);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ModelZmaLines(const TDriverModelParams& p, const TDriverModelData& data,
                                       const std::vector<std::string>& extraHeader) {
    const TDriverModelDerived m = DeriveDriverModel(p);
    std::vector<std::string> lines =
        Lines("* Modelled driver impedance, not a measurement: made by Pelmo from small-signal parameters.\n" +
              Header(p, m) + "\n* Freq [Hz]  Impedance [ohm]  Phase [deg]");
    lines.insert(lines.end() - 1, extraHeader.begin(), extraHeader.end());
    for (std::size_t k = 0; k < data.Freq.size(); ++k)
        lines.push_back(FormatFixed(data.Freq[k], 4) + '\t' + FormatFixed(data.Ohms[k], 4) + '\t' +
                        FormatFixed(data.OhmsDeg[k], 3));
    return lines;
}

bool WriteDriverModelFiles(const TDriverModelParams& p, const DataArray& freqs, const std::string& basePath,
                           MessageSink& messages, bool magnitudeOnly) {
    if (auto problem = DriverModelProblem(p)) {
        messages.ShowMessage(*problem);
        return false;
    }
    if (auto problem = ModelFrequenciesProblem(freqs)) {
        messages.ShowMessage(*problem);
        return false;
    }
    return WriteModelData(p, EvaluateDriverModel(p, freqs), basePath, messages, magnitudeOnly);
}

std::optional<std::string> ModelFrequenciesProblem(const DataArray& freqs) {
    bool increasing = freqs.size() >= 2 && freqs.front() > 0;
    for (std::size_t k = 1; increasing && k < freqs.size(); ++k) increasing = freqs[k] > freqs[k - 1];
    if (!increasing) return "The model needs at least two increasing frequencies above 0 Hz.";
    return std::nullopt;
}

bool WriteModelData(const TDriverModelParams& p, const TDriverModelData& data, const std::string& basePath,
                    MessageSink& messages, bool magnitudeOnly, const std::vector<std::string>& extraHeader) {
    for (const DataArray* a : {&data.SplDb, &data.SplDeg, &data.Ohms, &data.OhmsDeg})
        for (double x : *a)
            if (!std::isfinite(x)) {
                messages.ShowMessage("These parameters give no finite response or impedance.");
                return false;
            }
    for (const auto& [ext, lines] : {std::pair{".frd", ModelFrdLines(p, data, magnitudeOnly, extraHeader)},
                                     {".zma", ModelZmaLines(p, data, extraHeader)}}) {
        const std::string path = basePath + ext;
        if (!WriteTextLines(path, lines)) {
            messages.ShowMessage("Could not write " + path);
            return false;
        }
    }
    return true;
}

}  // namespace pelmo
