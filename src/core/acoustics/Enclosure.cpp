#include "acoustics/Enclosure.h"

#include <cmath>
#include <numbers>

#include "values/NumberFormat.h"

namespace pelmo {

namespace {

using cplx = std::complex<double>;
constexpr double Pi = std::numbers::pi;

std::string Num(double x) { return FormatGeneral(x, 4); }

// The air spring of a volume, m^5/N.
double AirSpring(double vb) { return vb / (ModelAirDensity * ModelSpeedOfSound * ModelSpeedOfSound); }

double PortAirMass(double area, double length) {
    return ModelAirDensity * (length + PortEndCorrection * std::sqrt(area / Pi)) / area;
}

bool NotNegative(double x) { return std::isfinite(x) && x >= 0; }
bool Positive(double x) { return std::isfinite(x) && x > 0; }

// The circuit's constants for one driver in one box.
struct TCircuit {
    TDriverModelDerived Driver;
    TEnclosureDerived Box;
    double Rab = 0;  // absorption, in series with the air spring
    double Yl = 0;   // leak conductance
    double Rap = 0;  // radiator loss over its area squared
};

TCircuit MakeCircuit(const TDriverModelParams& p, const TEnclosure& box) {
    TCircuit c;
    c.Driver = DeriveDriverModel(p);
    c.Box = DeriveEnclosure(p, box);
    const double wb = 2 * Pi * c.Box.Fb;
    if (box.Qa > 0) c.Rab = 1 / (wb * c.Box.Cab * box.Qa);
    if (box.Ql > 0) c.Yl = wb * c.Box.Cab / box.Ql;
    const TPassiveRadiator& r = box.Radiator;
    if (box.Kind == EnclosureKind::PassiveRadiator && r.Qmp > 0)
        c.Rap = std::sqrt(r.Mmp / r.Cmp) / r.Qmp / (r.Sp * r.Sp);
    return c;
}

TEnclosurePoint SolvePoint(const TDriverModelParams& p, const TEnclosure& box, const TCircuit& c, double f) {
    const double w = 2 * Pi * f, v = ModelDriveVolts, sd = p.Sd;
    const TDriverModelDerived& m = c.Driver;
    const cplx s(0, w);
    const cplx zeb = VoiceCoilImpedance(p, f);
    const cplx zm = cplx(m.Rms, w * m.Mms - 1.0 / (w * m.Cms));
    const cplx yc = 1.0 / (c.Rab + 1.0 / (s * c.Box.Cab));  // into the air spring
    const double bl = m.Bl;
    TEnclosurePoint out;
    cplx u0;  // volume velocity heard
    if (box.Kind == EnclosureKind::Sealed) {
        const cplx ybox = yc + c.Yl;
        const cplx zmTotal = zm + sd * sd / ybox;
        out.ConeVelocity = bl * v / (zeb * zmTotal + bl * bl);
        out.Impedance = zeb + bl * bl / zmTotal;
        u0 = sd * out.ConeVelocity * yc / ybox;
    } else {
        // With the vent's impedance zp the box's admittance is (zp (yc + yl) + 1) / zp; multiplied
        // through by zp, nothing divides by zero at the tuning of a lossless box or radiator.
        const cplx zp =
            box.Kind == EnclosureKind::Vented ? s * c.Box.Map : c.Rap + s * c.Box.Map + 1.0 / (s * c.Box.Cap);
        const cplx n = zp * (yc + c.Yl) + 1.0;
        const cplx den = zeb * (zm * n + sd * sd * zp) + bl * bl * n;
        out.ConeVelocity = bl * v * n / den;
        out.Impedance = zeb + bl * bl * n / (zm * n + sd * sd * zp);
        u0 = sd * bl * v * yc * zp / den;
        out.VentFlow = -sd * bl * v / den;
    }
    out.Pressure = ApplyModelShaping(p, m, f, s * ModelAirDensity * u0 / (2 * Pi * ModelDistance));
    return out;
}

}  // namespace

double PortLengthFor(double vb, double fb, double area) {
    const double wb = 2 * Pi * fb, c = ModelSpeedOfSound;
    return area * c * c / (wb * wb * vb) - PortEndCorrection * std::sqrt(area / Pi);
}

double PortTuning(double vb, double area, double length) {
    return 1 / (2 * Pi * std::sqrt(PortAirMass(area, length) * AirSpring(vb)));
}

std::optional<std::string> EnclosureProblem(const TEnclosure& box) {
    if (box.Kind == EnclosureKind::InfiniteBaffle) return std::nullopt;
    if (!Positive(box.Vb)) return "The box volume must be a number greater than 0.";
    if (!NotNegative(box.Ql) || !NotNegative(box.Qa))
        return "The box's loss factors Ql and Qa must be numbers not below 0 (0 for none).";
    if (box.Kind == EnclosureKind::Vented) {
        if (!NotNegative(box.PortArea) || !NotNegative(box.PortLength))
            return "The port's area and length must be numbers not below 0.";
        if (box.PortLength > 0) {
            if (box.PortArea == 0) return "A port with a length needs an area.";
        } else {
            if (!Positive(box.Fb)) return "The box's tuning frequency must be a number greater than 0.";
            if (box.PortArea > 0 && !(PortLengthFor(box.Vb, box.Fb, box.PortArea) > 0))
                return "A port of " + Num(box.PortArea * 1e4) + " cm2 cannot tune " + Num(box.Vb * 1e3) + " l to " +
                       Num(box.Fb) + " Hz: its end corrections alone tune lower. Choose a wider port.";
        }
    }
    if (box.Kind == EnclosureKind::PassiveRadiator) {
        const TPassiveRadiator& r = box.Radiator;
        if (!Positive(r.Mmp) || !Positive(r.Cmp) || !Positive(r.Sp))
            return "The passive radiator's mass, compliance and area must be numbers greater than 0.";
        if (!NotNegative(r.Qmp)) return "The passive radiator's Q must be a number not below 0 (0 for no loss).";
    }
    return std::nullopt;
}

TEnclosureDerived DeriveEnclosure(const TDriverModelParams& p, const TEnclosure& box) {
    TEnclosureDerived d;
    if (box.Kind == EnclosureKind::InfiniteBaffle) return d;
    const TDriverModelDerived m = DeriveDriverModel(p);
    d.Cab = AirSpring(box.Vb);
    switch (box.Kind) {
        case EnclosureKind::Sealed: {
            const double wc = std::sqrt((1 / m.Cms + p.Sd * p.Sd / d.Cab) / m.Mms);
            d.Fb = wc / (2 * Pi);
            const double rab = box.Qa > 0 ? 1 / (wc * d.Cab * box.Qa) : 0;
            d.Qtc = wc * m.Mms / (m.Rms + m.Bl * m.Bl / p.Re + p.Sd * p.Sd * rab);
            break;
        }
        case EnclosureKind::Vented:
            if (box.PortLength > 0) {
                d.Map = PortAirMass(box.PortArea, box.PortLength);
                d.Fb = 1 / (2 * Pi * std::sqrt(d.Map * d.Cab));
                d.PortLength = box.PortLength;
            } else {
                const double wb = 2 * Pi * box.Fb;
                d.Map = 1 / (wb * wb * d.Cab);
                d.Fb = box.Fb;
                if (box.PortArea > 0) d.PortLength = PortLengthFor(box.Vb, box.Fb, box.PortArea);
            }
            break;
        case EnclosureKind::PassiveRadiator: {
            const TPassiveRadiator& r = box.Radiator;
            d.Map = r.Mmp / (r.Sp * r.Sp);
            d.Cap = r.Cmp * r.Sp * r.Sp;
            d.Fb = std::sqrt((1 / d.Cap + 1 / d.Cab) / d.Map) / (2 * Pi);
            break;
        }
        case EnclosureKind::InfiniteBaffle:
            break;
    }
    return d;
}

std::vector<TEnclosurePoint> SolveEnclosure(const TDriverModelParams& p, const TEnclosure& box,
                                            const DataArray& freqs) {
    std::vector<TEnclosurePoint> out;
    out.reserve(freqs.size());
    if (box.Kind == EnclosureKind::InfiniteBaffle) {
        const TDriverModelDerived m = DeriveDriverModel(p);
        for (double f : freqs) {
            TEnclosurePoint pt;
            pt.Pressure = ModelPressure(p, f);
            pt.Impedance = ModelImpedance(p, f);
            const double w = 2 * Pi * f;
            const cplx zm(m.Rms, w * m.Mms - 1.0 / (w * m.Cms));
            pt.ConeVelocity = m.Bl * ModelDriveVolts / (VoiceCoilImpedance(p, f) * zm + m.Bl * m.Bl);
            out.push_back(pt);
        }
        return out;
    }
    const TCircuit c = MakeCircuit(p, box);
    for (double f : freqs) out.push_back(SolvePoint(p, box, c, f));
    return out;
}

TDriverModelData EvaluateEnclosure(const TDriverModelParams& p, const TEnclosure& box, const DataArray& freqs) {
    if (box.Kind == EnclosureKind::InfiniteBaffle) return EvaluateDriverModel(p, freqs);
    TDriverModelData d;
    d.Freq = freqs;
    for (const TEnclosurePoint& pt : SolveEnclosure(p, box, freqs)) AppendModelPoint(d, pt.Pressure, pt.Impedance);
    return d;
}

TExcursion EnclosureExcursion(const TDriverModelParams& p, const TEnclosure& box, const DataArray& freqs,
                              double watts) {
    TExcursion x;
    x.Freq = freqs;
    // RMS drive for the power into Re, then peak values.
    const double scale = std::sqrt(watts * p.Re) / ModelDriveVolts * std::sqrt(2.0);
    const bool port = box.Kind == EnclosureKind::Vented && box.PortArea > 0;
    const bool radiator = box.Kind == EnclosureKind::PassiveRadiator;
    const std::vector<TEnclosurePoint> points = SolveEnclosure(p, box, freqs);
    for (std::size_t k = 0; k < freqs.size(); ++k) {
        const double w = 2 * Pi * freqs[k];
        x.Cone.push_back(std::abs(points[k].ConeVelocity) * scale / w);
        if (port) x.Vent.push_back(std::abs(points[k].VentFlow) * scale / box.PortArea);
        if (radiator) x.Vent.push_back(std::abs(points[k].VentFlow) * scale / (box.Radiator.Sp * w));
    }
    return x;
}

std::vector<std::string> EnclosureHeader(const TDriverModelParams& p, const TEnclosure& box) {
    const TEnclosureDerived d = DeriveEnclosure(p, box);
    std::string losses;
    if (box.Ql > 0) losses += ", Ql " + Num(box.Ql);
    if (box.Qa > 0) losses += ", Qa " + Num(box.Qa);
    if (losses.empty()) losses = ", no losses";
    const std::string volume = Num(box.Vb * 1e3) + " l";
    switch (box.Kind) {
        case EnclosureKind::Sealed:
            return {"* in a sealed box of " + volume + losses + ": fc " + Num(d.Fb) + " Hz, Qtc " + Num(d.Qtc)};
        case EnclosureKind::Vented: {
            std::string port =
                d.PortLength > 0
                    ? "; port " + Num(box.PortArea * 1e4) + " cm2, " + Num(d.PortLength * 1e2) + " cm long (plus " +
                          Num(PortEndCorrection * std::sqrt(box.PortArea / Pi) * 1e2) + " cm end correction)"
                    : std::string();
            return {"* in a vented box of " + volume + " tuned to " + Num(d.Fb) + " Hz" + losses + port};
        }
        case EnclosureKind::PassiveRadiator: {
            const TPassiveRadiator& r = box.Radiator;
            return {"* in a box of " + volume + losses + " with a passive radiator: Mmp " + Num(r.Mmp * 1e3) +
                        " g, Cmp " + Num(r.Cmp * 1e3) + " mm/N, Sp " + Num(r.Sp * 1e4) + " cm2" +
                        (r.Qmp > 0 ? ", Qmp " + Num(r.Qmp) : std::string(", no loss")),
                    "* box tuning " + Num(d.Fb) + " Hz, radiator's own resonance (a notch) " +
                        Num(1 / (2 * Pi * std::sqrt(r.Mmp * r.Cmp))) + " Hz"};
        }
        case EnclosureKind::InfiniteBaffle:
            break;
    }
    return {};
}

}  // namespace pelmo
