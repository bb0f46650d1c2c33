#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "acoustics/DriverGeometry.h"
#include "base/DataTypes.h"
#include "graphs/CurveSubject.h"
#include "graphs/GraphKinds.h"
#include "model/GraphKind.h"

// What a graph window shows, without the window: its kind, scales and curve
// definitions with their point arrays. After a solve every curve takes its
// points from the solve's result (GraphSolve.h); a graph window owns one and
// only draws it; the command-line tool builds one and prints it.

namespace pelmo {

struct TDesign;

// The points of one chart line.
struct TChartCurve {
    DataArray X;
    DataArray Y;

    std::size_t Count() const { return X.size(); }
    bool Empty() const { return X.empty(); }
    void Add(double x, double y) {
        X.push_back(x);
        Y.push_back(y);
    }
    // Empties the curve, keeping room for n points so that filling it again
    // does not allocate.
    void Clear(std::size_t room = 0) {
        X.clear();
        Y.clear();
        if (X.capacity() < room) {
            X.reserve(room);
            Y.reserve(room);
        }
    }
};

// One curve of a graph window.
enum class TPhaseView { Wrapped, Unwrapped, Excess };

struct TSeriesDef {
    // What the curve shows.
    TCurveSubject Subject;
    // Its caption, made from the subject: "System", "S1", "S1 (driver only)",
    // "S1 (lookback)", "C1", "L1", "R1".
    std::string Name = SystemCurveName;
    // The index of the subject's driver or part, bound again before every
    // solve; -1 for the System curve.
    int Element = -1;
    std::string FileName;     // last overlay file read while this curve was selected
    TChartCurve MagSeries;    // left axis, solid
    TChartCurve PhaseSeries;  // right axis, dotted; shown only with ShowPhase
    int ColourIndex = 0;      // palette index of both lines
    bool ShowPhase = false;
    // Octaves of smoothing: 0 none, 1/24 ... 1, or above 100 for auditory (ERB).
    double Smoothing = 1.0 / 24.0;

    // How an SPL curve's phase is drawn (and a group delay curve's delay
    // taken): as specified, wrapped into one turn; unwrapped; or its excess
    // phase (less the minimum phase of its magnitude), which in a group
    // delay window gives the excess group delay.
    TPhaseView PhaseView = TPhaseView::Wrapped;

    bool DriverOnly() const { return Subject.Kind == TSubjectKind::DriverOnly; }

    // In windows that show a set of curves of one subject (the directional
    // kinds): which of the set this is, and whether it is drawn against the
    // right-hand (directivity index) axis.
    int Trace = 0;
    bool RightAxis = false;
};

// What the directional windows look at besides their subject.
struct TDirectionalView {
    TPlane Plane = TPlane::Vertical;  // off-axis curves and polar map
    double AngleStepDeg = 15.0;       // off-axis: between two curves
    double MaxAngleDeg = 90.0;        // off-axis: curves at 0 .. this
    bool Normalised = false;          // polar map: levels relative to on axis
    double SectorStepDeg = 10.0;      // power and DI: the sectors' angle step
    friend bool operator==(const TDirectionalView&, const TDirectionalView&) = default;
};

// A level over frequency and angle: LevelsDb[a * Freq.size() + k] at
// Freq[k] and AnglesDeg[a].
struct TLevelMap {
    DataArray Freq;
    DataArray AnglesDeg;
    DataArray LevelsDb;
};

inline constexpr double AuditorySmoothing = 1000.0;

// Where a window's legend sits: in the plot's top-right corner until the
// user drags it (then at Left, Top as fractions of the plot's width and
// height), or in a column right of the plot.
struct TLegendPlace {
    bool Outside = false;
    bool Moved = false;
    double Left = 0.0;
    double Top = 0.0;
    friend bool operator==(const TLegendPlace&, const TLegendPlace&) = default;
};

// The state of one graph window that the solve and the window share.
struct TGraphRecord {
    explicit TGraphRecord(TGraphKind kind);

    TGraphKind Kind;
    int WindowNumber = 0;  // the number in the title

    // Scales of the left axis, per kind.
    double VerticalCenter = 70.0;  // dB; SPL windows 90, filter windows 0
    double DbPerDiv = 5.0;
    double OhmsPerDiv = 2.0;
    double VoltsPerDiv = 10.0;
    double AmpsPerDiv = 2.0;
    double WattsPerDiv = 2.0;
    double UsecPerDiv = 200.0;
    // Vertical factor of the impulse, step and square-wave points.
    double ResponseScale = 1.0;
    double TestFrequency = 1000.0;  // Hz, fundamental of the square wave

    std::vector<TSeriesDef> Curves;
    int SelectedCurve = 0;
    int ColourCounter = 3;                 // palette index of the curve coloured last
    double DefaultSmoothing = 1.0 / 24.0;  // what a new curve starts with
    bool AutoSystemCurve = false;          // the next menu rebuild adds "System" by itself
    bool AutoScalePending = false;         // the next time-response solve picks ResponseScale

    // The directional windows: their view, the polar map's levels, the
    // angle axis's step and a line under the chart (the preference score).
    TDirectionalView Directional;
    TLevelMap Map;
    double DegreesPerDiv = 30.0;
    std::string Note;

    TLegendPlace Legend;
};

// The open graph windows in opening order. The windows own their records;
// the list only refers to them.
struct TGraphList {
    std::vector<TGraphRecord*> Windows;

    void Add(TGraphRecord* r) { Windows.push_back(r); }
    void Remove(const TGraphRecord* r);
};

// Index of the curve showing this subject, or -1.
int FindCurve(const TGraphRecord& g, const TCurveSubject& subject);
// The same for a caption (letter case aside); -1 for text that names no
// curve.
int FindCurve(const TGraphRecord& g, const std::string& caption);

// Adds a curve as choosing a new Curves-menu item does: smoothing from the
// window, the next colour, its driver or part looked up, phase shown when
// added automatically (never in windows without a phase axis, nor for an SPL
// "(driver only)" curve). `automatic` also sets AutoScalePending.
TSeriesDef& AddCurve(TGraphRecord& g, const TDesign& d, const TCurveSubject& subject, bool automatic);
// The same for a caption ("S1 (driver only)"); one that names no curve gives
// a part curve without an element.
TSeriesDef& AddCurve(TGraphRecord& g, const TDesign& d, const std::string& caption, bool automatic);

// Removes curve i: later curves move down, the selection moves back one, and
// the removed curve's colour is the next one handed out.
void RemoveCurve(TGraphRecord& g, std::size_t i);

// Whether the curve shows the part or driver with this designator.
bool CurveShows(const TSeriesDef& c, const std::string& designator, bool driver);

// Removes every curve of the part or driver with this designator from every
// window (a driver's "(driver only)" and "(lookback)" curves included).
// Returns how many were removed.
int RemoveCurvesOf(TGraphList& graphs, const std::string& designator, bool driver);

}  // namespace pelmo
