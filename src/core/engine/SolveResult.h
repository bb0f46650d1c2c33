#pragma once

#include <cstdint>
#include <vector>

#include "base/DataTypes.h"
#include "engine/Netlist.h"
#include "model/GraphKind.h"

// What a solve is asked for and what it gives back. The caller says which
// curves it wants, window by window; the solve reads the design and fills a
// result: the node numbers, every driver's share of the sum, the system
// response and the points of every curve asked for, in the order asked.

namespace pelmo {

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

// One curve to compute.
struct TCurveRequest {
    TCurveSubject Subject = TCurveSubject::System;
    int Element = -1;  // index of the driver or part in the design
    bool ShowPhase = false;
    // Octaves of smoothing of an SPL curve: below 0.01 none, above 100
    // auditory (ERB).
    double Smoothing = 0.0;
};

// The curves of one window: they share its kind and its time-response settings.
struct TWindowRequest {
    TGraphKind Kind = TGraphKind::SPL;
    double TestFrequency = 1000.0;  // Hz, fundamental of the square wave
    double ResponseScale = 1.0;     // vertical factor of time responses
    bool AutoScalePending = false;  // this solve picks ResponseScale
    std::vector<TCurveRequest> Curves;
};

struct TSolveRequest {
    // Only the first WindowCount entries count: the vector keeps its room
    // (and each window its curves' room) from one solve to the next.
    std::vector<TWindowRequest> Windows;
    std::size_t WindowCount = 0;

    TWindowRequest& AddWindow() {
        if (Windows.size() <= WindowCount) Windows.emplace_back();
        TWindowRequest& w = Windows[WindowCount++];
        w.Curves.clear();
        return w;
    }
    void Clear() { WindowCount = 0; }
};

// The points of one curve.
struct TCurvePoints {
    TChartCurve Mag;    // left axis
    TChartCurve Phase;  // right axis (degrees); filled only when asked for
};

struct TWindowPoints {
    double ResponseScale = 1.0;     // as asked, or picked by the solve
    bool AutoScalePending = false;  // cleared when the solve picked the scale
    std::vector<TCurvePoints> Curves;
};

struct TSolveResult {
    // False when the solve did nothing (no parts and drivers, block design
    // mode); the rest then stays as the last solve left it.
    bool Solved = false;
    TNetlist Netlist;
    int SolvedFrequencies = 0;
    // The summed acoustic response, one entry per grid frequency: magnitude
    // (linear) and phase (degrees). Empty when no frequency could be solved.
    DataArray SystemMag;
    DataArray SystemPhase;
    // Each driver's own contribution to the sum, by driver index.
    std::vector<DataArray> DriverMag;
    std::vector<DataArray> DriverPhase;
    // By window and curve as requested.
    std::vector<TWindowPoints> Windows;
};

}  // namespace pelmo
