#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/DataTypes.h"
#include "model/GraphKind.h"

// What a graph window shows, without the window: its kind, scales and curve
// definitions with their point arrays. After a solve every curve takes its
// points from the solve's result (GraphSolve.h); a graph window owns one and
// only draws it; the command-line tool builds one and prints it.

namespace pelmo {

struct TDesign;

inline constexpr const char* SystemCurveName = "System";

// What a curve shows.
enum class TCurveSubject : std::uint8_t {
    System,      // the whole system (the sum, the input impedance)
    Driver,      // a driver in the network
    DriverOnly,  // a driver's own data, without the network
    Lookback,    // the impedance the network shows a driver
    Part,        // a resistor, capacitor or inductor
};

inline bool IsDriverSubject(TCurveSubject s) {
    return s == TCurveSubject::Driver || s == TCurveSubject::DriverOnly || s == TCurveSubject::Lookback;
}

// The points of one chart line.
struct TChartCurve {
    DataArray X;
    DataArray Y;
    int LineWidth = 2;  // pixels

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
struct TSeriesDef {
    // "System", "S1", "S1 (driver only)", "S1 (lookback)", "C1", "L1", "R1".
    std::string Name;
    // What the curve shows, from its name when it is made.
    TCurveSubject Subject = TCurveSubject::System;
    // The driver or part of the curve, bound again by name before every
    // solve; -1 for the System curve.
    int Element = -1;
    std::string FileName;     // last overlay file read while this curve was selected
    TChartCurve MagSeries;    // left axis, solid
    TChartCurve PhaseSeries;  // right axis, dotted; shown only with ShowPhase
    int ColourIndex = 0;      // palette index of both lines
    bool ShowPhase = false;
    // Octaves of smoothing: 0 none, 1/24 ... 1, or above 100 for auditory (ERB).
    double Smoothing = 1.0 / 24.0;

    bool DriverOnly() const { return Subject == TCurveSubject::DriverOnly; }
};

inline constexpr double AuditorySmoothing = 1000.0;

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
};

// The open graph windows in opening order. The windows own their records;
// the list only refers to them.
struct TGraphList {
    std::vector<TGraphRecord*> Windows;

    void Add(TGraphRecord* r) { Windows.push_back(r); }
    void Remove(const TGraphRecord* r);
};

// Kinds whose windows have a phase axis (and so curves that can show phase).
bool KindHasPhase(TGraphKind kind);
// Kinds whose Curves menu offers "System".
bool KindHasSystemCurve(TGraphKind kind);

// The curve names a window of this kind offers, in menu order: "System",
// then per driver "S<n>" ("S<n> (driver only)" in impedance windows), then
// per driver "S<n> (driver only)" (SPL) or "S<n> (lookback)" (impedance),
// then in voltage, current and power windows the capacitors, inductors and
// resistors.
std::vector<std::string> CurveMenuNames(TGraphKind kind, const TDesign& d);

// Index of the curve with this name (letter case ignored), or -1.
int FindCurve(const TGraphRecord& g, const std::string& name);

// What a curve of this name shows: "System"; a driver's "S<n>", with
// " (driver only)" or " (lookback)"; otherwise a part.
TCurveSubject CurveSubjectOf(const std::string& name);

// Index of the driver named by "S<n>" up to the first blank, or of the part
// named by its letter and number (as the subject says); -1 when nothing
// matches and for the System curve.
int FindCurveElement(const TDesign& d, const std::string& name, TCurveSubject subject);

// Adds a curve as choosing a new Curves-menu item does: smoothing from the
// window, the next colour, driver or part looked up by name, phase shown when
// added automatically (never in windows without a phase axis, nor for an SPL
// "(driver only)" curve). `automatic` also sets AutoScalePending.
TSeriesDef& AddCurve(TGraphRecord& g, const TDesign& d, const std::string& name, bool automatic);

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
