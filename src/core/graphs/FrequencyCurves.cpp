// The points of the frequency-response curves: SPL, impedance, filter
// response, voltage, current, power and group delay.

#include <algorithm>

#include "base/Conversions.h"
#include "engine/Complex.h"
#include "engine/DerivedResponses.h"
#include "engine/Smoothing.h"
#include "engine/SolveResult.h"
#include "engine/Sweep.h"
#include "graphs/CurvePoints.h"
#include "graphs/ExcessPhase.h"
#include "graphs/GraphRecord.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

namespace pelmo {

namespace {

// An emptied curve, with room for one point per grid frequency.
void Clear(TSeriesDef& c) {
    c.MagSeries.Clear(AnalysisPoints);
    c.PhaseSeries.Clear(AnalysisPoints);
}

// Where the points of one curve go.
struct TCurveOut {
    TSeriesDef& Curve;
    void Add(double f, double mag) { Curve.MagSeries.Add(f, mag); }
    void AddPhase(double f, double phase) {
        if (Curve.ShowPhase) Curve.PhaseSeries.Add(f, phase);
    }
};

// The curve's driver or part, when it shows one that the design has.
const TDriver* DriverOf(const TDesign& d, const TSeriesDef& c) {
    if (!IsDriverSubject(c.Subject) || c.Element < 0 || static_cast<std::size_t>(c.Element) >= d.Drivers.size())
        return nullptr;
    return d.Drivers[static_cast<std::size_t>(c.Element)].get();
}

bool ShowsPart(const TSolveResult& r, const TSeriesDef& c) {
    return c.Subject.Kind == TSubjectKind::Part && c.Element >= 0 &&
           static_cast<std::size_t>(c.Element) < r.Parts.size();
}

// A driver's phase as its curves show it: its delays (the design's and its
// own), half a turn for an inverted source and half a turn for an inverted
// driver (which its swapped terminals have turned already: the two cancel).
double DriverPhase(const TDesign& d, const TDriver& drv, double phase, double f) {
    phase = phase - 360.0 * f * (d.OverallDelay + drv.DelaySeconds);
    if (d.Source.Inverted) phase = phase + 180.0;
    if (drv.Inverted) phase = phase + 180.0;
    return WrapAngle(phase);
}

// A part's phase: half a turn for an inverted source and the design's delay.
double PartPhase(const TDesign& d, double phase, double f) {
    if (d.Source.Inverted) phase = phase + 180.0;
    phase = phase - 360.0 * f * d.OverallDelay;
    return WrapAngle(phase);
}

// What the electrical curves of a driver or part read at grid index k: its
// voltage, its admittance and its phase as shown.
struct TElectrical {
    const TCurveSource& S;
    const TDriver* Drv;
    std::size_t Element;
    TComplex Voltage(int k) const {
        return Drv ? S.Result.DriverVoltage[Element].At(static_cast<std::size_t>(k)) : S.Result.PartVoltage(Element, k);
    }
    TComplex Admittance(int k) const { return Drv ? DriverAdmittance(*Drv, k) : S.Result.PartAdmittance(Element, k); }
    double Phase(double phase, double f) const {
        return Drv ? DriverPhase(S.Design, *Drv, phase, f) : PartPhase(S.Design, phase, f);
    }
};

// The points of a driver's or part's electrical curve at every solved grid
// frequency: point(e, k, f, out).
template <class Point>
void ElectricalPoints(const TCurveSource& s, TSeriesDef& c, Point point) {
    Clear(c);
    const TDriver* drv = DriverOf(s.Design, c);
    if (!drv && !ShowsPart(s.Result, c)) return;
    const TElectrical e{s, drv, static_cast<std::size_t>(c.Element)};
    TCurveOut out{c};
    const TSolveResult& r = s.Result;
    for (int k = 0; k < static_cast<int>(r.FrequencySolved.size()); ++k)
        if (r.FrequencySolved[static_cast<std::size_t>(k)]) point(e, k, r.Grid[static_cast<std::size_t>(k)], out);
}

// Points of one curve from magnitude and phase data on the grid.
void PlotMagPhase(TSeriesDef& c, const DataArray& grid, const DataArray& mag, const DataArray& phase) {
    const std::size_t n = std::min({grid.size(), mag.size(), phase.size()});
    for (std::size_t k = 0; k < n; ++k) {
        c.MagSeries.Add(grid[k], LinToDb(mag[k]));
        if (c.ShowPhase) c.PhaseSeries.Add(grid[k], phase[k]);
    }
}

// The points of an acoustic response (linear magnitude and phase in the
// work arrays), the phase drawn as the curve asks: within one turn, as the
// specified phase axis spans, unwrapped, or as excess phase.
void PlotPhaseView(TSeriesDef& c, const DataArray& grid, TCurveWork& w) {
    if (c.ShowPhase && c.PhaseView == TPhaseView::Excess) {
        ToExcessPhase(grid, w.Mag, w.Phase, w.MinimumPhase);
    } else if (c.ShowPhase && c.PhaseView == TPhaseView::Unwrapped) {
        UnwrapPhase(w.Phase);
    }
    if (c.PhaseView != TPhaseView::Unwrapped) WrapPhase(w.Phase);
    PlotMagPhase(c, grid, w.Mag, w.Phase);
}

// An acoustic response in dB, smoothed as the curve asks: the magnitude as a
// linear amplitude and the phase unwrapped, both on a copy.
void PlotSmoothed(const TCurveSource& s, TSeriesDef& c, const TMagPhase& response) {
    if (response.Mag.empty() || response.Phase.empty()) return;
    const TSolveResult& r = s.Result;
    TCurveWork& w = s.Work;
    const double smoothing = c.Smoothing;
    w.Mag = response.Mag;
    w.Phase = response.Phase;
    if (smoothing > 100.0) {
        UnwrapPhase(w.Phase);
        SmoothAuditory(w.Mag, r.Grid, w.Auditory);
        SmoothAuditory(w.Phase, r.Grid, w.Auditory);
    } else if (smoothing >= 0.01) {
        UnwrapPhase(w.Phase);
        SmoothOctave(w.Mag, smoothing, r.OctavesPerStep);
        SmoothOctave(w.Phase, smoothing, r.OctavesPerStep);
    }
    PlotPhaseView(c, r.Grid, w);
}

}  // namespace

void SplPoints(const TCurveSource& s, TGraphRecord&, TSeriesDef& c) {
    Clear(c);
    if (c.Subject.Kind == TSubjectKind::Part) return;
    if (!IsDriverSubject(c.Subject)) {
        PlotSmoothed(s, c, s.Result.System);
        return;
    }
    const TDriver* drv = DriverOf(s.Design, c);
    if (!drv) return;
    if (c.Subject.Kind == TSubjectKind::DriverOnly) {
        // The driver's own data, untouched by the circuit.
        const DataArray& grid = s.Result.Grid;
        const std::size_t count =
            std::min({grid.size(), drv->Acoustic.Response.Re.size(), drv->Acoustic.Response.Im.size()});
        if (c.PhaseView != TPhaseView::Wrapped) {
            TCurveWork& w = s.Work;
            w.Mag.resize(count);
            w.Phase.resize(count);
            for (std::size_t k = 0; k < count; ++k) {
                const TPolar p = CToPolar(drv->Acoustic.Response.At(k));
                w.Mag[k] = p.Mag;
                w.Phase[k] = p.Phase;
            }
            PlotPhaseView(c, grid, w);
            return;
        }
        for (std::size_t k = 0; k < count; ++k) {
            const TPolar p = CToPolar(drv->Acoustic.Response.At(k));
            c.MagSeries.Add(grid[k], LinToDb(p.Mag));
            if (c.ShowPhase) c.PhaseSeries.Add(grid[k], p.Phase);
        }
        return;
    }
    const auto n = static_cast<std::size_t>(c.Element);
    if (n < s.Result.DriverContribution.size()) PlotSmoothed(s, c, s.Result.DriverContribution[n]);
}

void ImpedancePoints(const TCurveSource& s, TGraphRecord&, TSeriesDef& c) {
    Clear(c);
    const TSolveResult& r = s.Result;
    const TDriver* drv = DriverOf(s.Design, c);
    if (!drv && c.Subject.Kind != TSubjectKind::System) return;
    const auto n = static_cast<std::size_t>(c.Element);
    const TLookback* lookback = nullptr;
    if (c.Subject.Kind == TSubjectKind::Lookback) {
        if (n >= r.Lookback.size()) return;
        lookback = &r.Lookback[n];
    }
    TCurveOut out{c};
    for (std::size_t k = 0; k < r.FrequencySolved.size(); ++k) {
        if (!r.FrequencySolved[k]) continue;
        const double f = r.Grid[k];
        if (!drv) {
            out.Add(f, r.InputImpedance.Mag[k]);
            out.AddPhase(f, r.InputImpedance.Phase[k]);
        } else if (lookback) {
            if (!lookback->Known[k]) continue;
            const TPolar p = CToPolar(lookback->Impedance.At(k));
            out.Add(f, p.Mag);
            out.AddPhase(f, WrapAngle(p.Phase));
        } else {
            const TPolar z = CToPolar(CDiv(ComplexOne, DriverAdmittance(*drv, static_cast<int>(k))));
            out.Add(f, z.Mag);
            out.AddPhase(f, z.Phase);
        }
    }
}

void FilterPoints(const TCurveSource& s, TGraphRecord&, TSeriesDef& c) {
    Clear(c);
    if (!DriverOf(s.Design, c)) return;
    ElectricalPoints(s, c, [](const TElectrical& e, int k, double f, TCurveOut& out) {
        const TComplex v = e.Voltage(k);
        out.Add(f, LinToDb(CAbs(v)));
        out.AddPhase(f, e.Phase(CToPolar(v).Phase, f));
    });
}

void VoltagePoints(const TCurveSource& s, TGraphRecord&, TSeriesDef& c) {
    const double peakVolts = s.Result.Levels.PeakVolts;
    ElectricalPoints(s, c, [peakVolts](const TElectrical& e, int k, double f, TCurveOut& out) {
        const TComplex v = e.Voltage(k);
        out.Add(f, CAbs(v) * peakVolts);
        out.AddPhase(f, e.Phase(CToPolar(v).Phase, f));
    });
}

void CurrentPoints(const TCurveSource& s, TGraphRecord&, TSeriesDef& c) {
    const double vlevel = s.Result.Levels.Vlevel;
    ElectricalPoints(s, c, [vlevel](const TElectrical& e, int k, double f, TCurveOut& out) {
        const TComplex i = CMul(e.Voltage(k), e.Admittance(k));
        out.Add(f, CAbs(i) * vlevel);
        out.AddPhase(f, e.Phase(CToPolar(i).Phase, f));
    });
}

void PowerPoints(const TCurveSource& s, TGraphRecord&, TSeriesDef& c) {
    const double powerScale = s.Result.Levels.PowerScale;
    ElectricalPoints(s, c, [powerScale](const TElectrical& e, int k, double f, TCurveOut& out) {
        out.Add(f, powerScale * CSqrAbs(e.Voltage(k)) * e.Admittance(k).re);
    });
}

void GroupDelayPoints(const TCurveSource& s, TGraphRecord&, TSeriesDef& c) {
    Clear(c);
    const TSolveResult& r = s.Result;
    // A driver's curve follows its contribution (with its delays), any other
    // the sum.
    const bool driver = IsDriverSubject(c.Subject) && c.Element >= 0 &&
                        static_cast<std::size_t>(c.Element) < r.DriverContribution.size();
    const TMagPhase& response = driver ? r.DriverContribution[static_cast<std::size_t>(c.Element)] : r.System;
    const DataArray* phase = &response.Phase;
    if (c.PhaseView == TPhaseView::Excess) {
        // The excess group delay: the delay of the excess phase.
        s.Work.Excess = response.Phase;
        if (ToExcessPhase(r.Grid, response.Mag, s.Work.Excess, s.Work.MinimumPhase)) phase = &s.Work.Excess;
    }
    if (!GroupDelay(r.Grid, r.OctavesPerStep, *phase, s.Work.Phase, s.Work.Delay)) return;
    for (std::size_t k = 0; k < r.Grid.size(); ++k) c.MagSeries.Add(r.Grid[k], s.Work.Delay[k]);
}

}  // namespace pelmo
