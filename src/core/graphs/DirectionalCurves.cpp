#include "graphs/DirectionalCurves.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "acoustics/PreferenceScore.h"
#include "engine/SolveResult.h"
#include "graphs/CurvePoints.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"
#include "model/ListeningSetup.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

const char* const Degree = "\xC2\xB0";

// Palette colours of the off-axis curves in angle order: dark and bright
// ones first, the pale silver last.
constexpr int AngleColours[] = {0, 4, 5, 2, 3, 6, 1, 9, 8, 7};

const std::vector<TTrace>& SpinoramaTraces() {
    static const std::vector<TTrace> t{
        {"On Axis", 0, false},     {"Listening Window", 4, false},  {"Early Reflections", 6, false},
        {"Sound Power", 5, false}, {"Predicted In-Room", 3, false}, {"ERDI", 1, true},
        {"SPDI", 2, true}};
    return t;
}

const std::vector<TTrace>& PowerTraces() {
    static const std::vector<TTrace> t{{"On Axis", 0, false}, {"Sound Power", 5, false}, {"DI", 4, true}};
    return t;
}

// Every curve of the window emptied; false when there is nothing to fill
// them from: no cache, no curves, or a driver the design no longer has.
// `driver` is -1 for the system.
bool Begin(const TCurveSource& s, TGraphRecord& g, int& driver) {
    for (TSeriesDef& c : g.Curves) {
        c.MagSeries.Clear(AnalysisPoints);
        c.PhaseSeries.Clear();
    }
    if (!s.Directivity || g.Curves.empty()) return false;
    const TSeriesDef& first = g.Curves.front();
    driver = -1;
    if (first.Subject.Kind == TSubjectKind::System) return true;
    if (!IsDriverSubject(first.Subject) || first.Element < 0 ||
        static_cast<std::size_t>(first.Element) >= s.Design.Drivers.size())
        return false;
    driver = first.Element;
    return true;
}

double DistanceOf(const TDesign& d) { return ReadListeningSetup(d.Settings).DistanceM; }

// 20 log10 of the distance: levels heard there referred to 1 m.
double ReferredTo1m(double distanceM) { return distanceM > 0 ? 20.0 * std::log10(distanceM) : 0.0; }

bool Solved(const TSolveResult& r, std::size_t k) { return k < r.FrequencySolved.size() && r.FrequencySolved[k]; }

// The points of a curve from levels on the grid, at the solved frequencies.
void AddSolved(TSeriesDef& c, const TSolveResult& r, const DataArray& levels) {
    const std::size_t n = std::min(r.Grid.size(), levels.size());
    for (std::size_t k = 0; k < n; ++k)
        if (Solved(r, k)) c.MagSeries.Add(r.Grid[k], levels[k]);
}

bool AllSolved(const TSolveResult& r) {
    return !r.Grid.empty() && r.FrequencySolved.size() >= r.Grid.size() &&
           std::all_of(r.FrequencySolved.begin(), r.FrequencySolved.begin() + static_cast<long>(r.Grid.size()),
                       [](auto v) { return static_cast<bool>(v); });
}

// The work's pressures toward its directions in dB, referred to 1 m:
// position n, grid index k.
double LevelAt(const TDirectionalWork& w, std::size_t n, std::size_t k, std::size_t nf, double offset) {
    const double re = w.Re[n * nf + k], im = w.Im[n * nf + k];
    return EnergyToDb(re * re + im * im) + offset;
}

}  // namespace

bool ShowsCurveSet(TGraphKind kind) {
    return kind == TGraphKind::Spinorama || kind == TGraphKind::PowerAndDi || kind == TGraphKind::OffAxis ||
           kind == TGraphKind::PolarMap;
}

std::string AngleCaption(TPlane plane, double angleDeg) {
    return std::string(plane == TPlane::Horizontal ? "H " : "V ") + FormatFixed(angleDeg, 0) + Degree;
}

std::vector<double> OffAxisAngles(const TDirectionalView& v) {
    const double step = std::isfinite(v.AngleStepDeg) && v.AngleStepDeg > 0 ? v.AngleStepDeg : 10.0;
    const double last = std::isfinite(v.MaxAngleDeg) ? std::clamp(v.MaxAngleDeg, 0.0, 180.0) : 90.0;
    std::vector<double> angles;
    for (int i = 0;; ++i) {
        const double a = i * step;
        if (a > last + 1e-9) break;
        angles.push_back(a);
    }
    return angles;
}

std::vector<double> PolarMapAngles() {
    std::vector<double> angles;
    const int n = static_cast<int>(std::lround(360.0 / PolarMapStepDeg));
    for (int i = 0; i <= n; ++i) angles.push_back(-180.0 + i * PolarMapStepDeg);
    return angles;
}

std::vector<TTrace> CurveTraces(const TGraphRecord& g) {
    switch (g.Kind) {
        case TGraphKind::Spinorama:
            return SpinoramaTraces();
        case TGraphKind::PowerAndDi:
            return PowerTraces();
        case TGraphKind::OffAxis: {
            std::vector<TTrace> t;
            const std::vector<double> angles = OffAxisAngles(g.Directional);
            for (std::size_t i = 0; i < angles.size(); ++i)
                t.push_back(
                    {AngleCaption(g.Directional.Plane, angles[i]), AngleColours[i % std::size(AngleColours)], false});
            return t;
        }
        case TGraphKind::PolarMap:
            return {{"-6 dB", 0, false}, {"", 0, false}};
        default:
            return {};
    }
}

void SetCurveSet(TGraphRecord& g, const TDesign& d, const TCurveSubject& subject) {
    g.Curves.clear();
    g.Map = {};
    g.Note.clear();
    const int element = FindSubjectElement(d, subject);
    const std::vector<TTrace> traces = CurveTraces(g);
    for (std::size_t i = 0; i < traces.size(); ++i) {
        TSeriesDef c;
        c.Subject = subject;
        c.Name = traces[i].Name;
        c.Element = element;
        c.ColourIndex = traces[i].Colour;
        c.RightAxis = traces[i].RightAxis;
        c.Trace = static_cast<int>(i);
        c.Smoothing = 0.0;
        g.Curves.push_back(std::move(c));
    }
    g.SelectedCurve = 0;
}

void RenewCurveSet(TGraphRecord& g, const TDesign& d) {
    const TCurveSubject subject = g.Curves.empty() ? TCurveSubject{} : g.Curves.front().Subject;
    SetCurveSet(g, d, subject);
}

std::string PreferenceScoreNote(const std::string& subject, const TPreferenceScore& score) {
    return subject + ": preference score " + FormatFixed(score.Score, 2) + " (" + PreferenceScoreVariant + ")";
}

void SpinoramaPoints(const TCurveSource& s, TGraphRecord& g, TSeriesDef&) {
    int driver = -1;
    g.Note.clear();
    if (!Begin(s, g, driver)) return;
    const TSolveResult& r = s.Result;
    TSpinorama& spin = s.Work.Spin;
    SpinoramaOf(s.Design, r, *s.Directivity, DistanceOf(s.Design), driver, s.Work.Directional, s.Messages, spin);
    const DataArray* curves[] = {&spin.On,         &spin.ListeningWindow, &spin.EarlyReflections,
                                 &spin.SoundPower, &spin.PredictedInRoom, &spin.Erdi,
                                 &spin.Spdi};
    for (TSeriesDef& c : g.Curves)
        if (c.Trace >= 0 && static_cast<std::size_t>(c.Trace) < std::size(curves)) AddSolved(c, r, *curves[c.Trace]);
    // The score's bands and fits need the whole grid.
    if (AllSolved(r))
        g.Note = PreferenceScoreNote(
            CurveCaption(g.Curves.front().Subject),
            PreferenceScore(r.Grid, spin.On, spin.ListeningWindow, spin.SoundPower, spin.PredictedInRoom));
}

void PowerAndDiPoints(const TCurveSource& s, TGraphRecord& g, TSeriesDef&) {
    int driver = -1;
    if (!Begin(s, g, driver)) return;
    TPowerAndDi& p = s.Work.Power;
    PowerAndDiOf(s.Design, s.Result, *s.Directivity, TPowerWeighting::Sectors, g.Directional.SectorStepDeg,
                 DistanceOf(s.Design), driver, s.Work.Directional, s.Messages, p);
    const DataArray* curves[] = {&p.OnDb, &p.PowerDb, &p.DiDb};
    for (TSeriesDef& c : g.Curves)
        if (c.Trace >= 0 && static_cast<std::size_t>(c.Trace) < std::size(curves))
            AddSolved(c, s.Result, *curves[c.Trace]);
}

void OffAxisPoints(const TCurveSource& s, TGraphRecord& g, TSeriesDef&) {
    int driver = -1;
    if (!Begin(s, g, driver)) return;
    const TSolveResult& r = s.Result;
    TDirectionalWork& w = s.Work.Directional;
    const std::vector<double> angles = OffAxisAngles(g.Directional);
    w.Directions.clear();
    for (double a : angles) w.Directions.push_back(PlaneDirection(g.Directional.Plane, a));
    const double distance = DistanceOf(s.Design);
    PressuresAtDirections(s.Design, r, *s.Directivity, w.Directions, distance, driver, w, s.Messages);
    const std::size_t nf = r.Grid.size();
    const double offset = ReferredTo1m(distance);
    for (TSeriesDef& c : g.Curves) {
        if (c.Trace < 0 || static_cast<std::size_t>(c.Trace) >= angles.size()) continue;
        const auto n = static_cast<std::size_t>(c.Trace);
        for (std::size_t k = 0; k < nf; ++k)
            if (Solved(r, k)) c.MagSeries.Add(r.Grid[k], LevelAt(w, n, k, nf, offset));
    }
}

void PolarMapPoints(const TCurveSource& s, TGraphRecord& g, TSeriesDef&) {
    int driver = -1;
    TLevelMap& m = g.Map;
    m.Freq.clear();
    m.LevelsDb.clear();
    if (!Begin(s, g, driver)) return;
    const TSolveResult& r = s.Result;
    TDirectionalWork& w = s.Work.Directional;
    m.AnglesDeg = PolarMapAngles();
    w.Directions.clear();
    for (double a : m.AnglesDeg) w.Directions.push_back(PlaneDirection(g.Directional.Plane, a));
    const double distance = DistanceOf(s.Design);
    PressuresAtDirections(s.Design, r, *s.Directivity, w.Directions, distance, driver, w, s.Messages);
    const std::size_t nf = r.Grid.size();
    const double offset = ReferredTo1m(distance);
    m.Freq = r.Grid;
    const std::size_t na = m.AnglesDeg.size();
    const std::size_t onAxis = na / 2;  // 0 degrees
    m.LevelsDb.assign(na * nf, std::numeric_limits<double>::quiet_NaN());
    for (std::size_t k = 0; k < nf; ++k) {
        if (!Solved(r, k)) continue;
        const double reference = g.Directional.Normalised ? LevelAt(w, onAxis, k, nf, offset) : 0.0;
        for (std::size_t a = 0; a < na; ++a) m.LevelsDb[a * nf + k] = LevelAt(w, a, k, nf, offset) - reference;
    }
    TChartCurve upper, lower;
    BeamEdges(m, upper, lower);
    for (TSeriesDef& c : g.Curves) {
        if (c.Trace == 0) c.MagSeries = upper;
        if (c.Trace == 1) c.MagSeries = lower;
    }
}

void BeamEdges(const TLevelMap& m, TChartCurve& upper, TChartCurve& lower) {
    upper.Clear(m.Freq.size());
    lower.Clear(m.Freq.size());
    const std::size_t nf = m.Freq.size();
    const std::size_t na = m.AnglesDeg.size();
    if (nf == 0 || na < 3 || m.LevelsDb.size() < na * nf) return;
    // The angle nearest 0 degrees.
    std::size_t zero = 0;
    for (std::size_t a = 1; a < na; ++a)
        if (std::abs(m.AnglesDeg[a]) < std::abs(m.AnglesDeg[zero])) zero = a;
    for (std::size_t k = 0; k < nf; ++k) {
        const double on = m.LevelsDb[zero * nf + k];
        if (!std::isfinite(on)) continue;
        const double edge = on - BeamEdgeDb;
        // Walks from 0 degrees in direction `dir` to the first angle at or
        // below the edge, interpolating between it and the angle before.
        auto walk = [&](int dir) {
            std::size_t prev = zero;
            for (long a = static_cast<long>(zero) + dir; a >= 0 && a < static_cast<long>(na); a += dir) {
                const auto i = static_cast<std::size_t>(a);
                const double level = m.LevelsDb[i * nf + k];
                if (level <= edge) {
                    const double before = m.LevelsDb[prev * nf + k];
                    const double t = before > level ? (before - edge) / (before - level) : 1.0;
                    return m.AnglesDeg[prev] + t * (m.AnglesDeg[i] - m.AnglesDeg[prev]);
                }
                prev = i;
            }
            return dir > 0 ? m.AnglesDeg.back() : m.AnglesDeg.front();
        };
        upper.Add(m.Freq[k], walk(1));
        lower.Add(m.Freq[k], walk(-1));
    }
}

std::optional<std::string> MapReadoutText(const TGraphRecord& g, double freq, double angleDeg) {
    const TLevelMap& m = g.Map;
    const std::size_t nf = m.Freq.size(), na = m.AnglesDeg.size();
    if (nf == 0 || na == 0 || m.LevelsDb.size() < na * nf || !(freq > 0) || !std::isfinite(angleDeg)) return {};
    if (freq < m.Freq.front() || freq > m.Freq.back() || angleDeg < m.AnglesDeg.front() ||
        angleDeg > m.AnglesDeg.back())
        return {};
    // The nearest frequency on a log scale, the nearest angle.
    std::size_t k = static_cast<std::size_t>(std::lower_bound(m.Freq.begin(), m.Freq.end(), freq) - m.Freq.begin());
    if (k >= nf) k = nf - 1;
    if (k > 0 && std::log(freq / m.Freq[k - 1]) < std::log(m.Freq[k] / freq)) --k;
    std::size_t a = 0;
    for (std::size_t i = 1; i < na; ++i)
        if (std::abs(m.AnglesDeg[i] - angleDeg) < std::abs(m.AnglesDeg[a] - angleDeg)) a = i;
    const double level = m.LevelsDb[a * nf + k];
    if (!std::isfinite(level)) return {};
    return FormatE4(m.Freq[k]) + "Hz, " + AngleCaption(g.Directional.Plane, m.AnglesDeg[a]) + ", " +
           FormatFixed(level, 1) + " dB";
}

}  // namespace pelmo
