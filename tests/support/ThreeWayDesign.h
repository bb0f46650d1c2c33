#pragma once

// A three-way design of 30 parts and 3 drivers with measured-looking
// impedance and response data, built in code for the benchmarks and
// screenshots: woofer with a fourth-order low-pass, notch and Zobel; mid
// with a band-pass, L-pad and Zobel; tweeter with a fourth-order high-pass,
// L-pad and resonance trap.

#include <cmath>
#include <string>

#include "CircuitBuilder.h"
#include "engine/Netlist.h"
#include "model/Design.h"

namespace pelmo::bench {

// Electrical model of a driver: Re + j w Le in series with the motional
// resonance (parallel Res, Lces, Cmes).
struct DriverModel {
    double Re, Le, Res, Lces, Cmes;
    TComplex Z(double f) const {
        const double w = 2 * M_PI * f;
        const double g = 1.0 / Res, b = w * Cmes - 1.0 / (w * Lces);
        const double den = g * g + b * b;
        return {Re + g / den, w * Le - b / den};
    }
};

// A response with second-order roll-offs at low and high and some ripple.
inline void SetModelResponse(TDriver& drv, const DataArray& grid, double low, double high, double db) {
    drv.Acoustic.Response.Re.resize(grid.size());
    drv.Acoustic.Response.Im.resize(grid.size());
    for (std::size_t k = 0; k < grid.size(); ++k) {
        const double f = grid[k];
        const double hp = std::pow(f / low, 2) / std::sqrt(1 + std::pow(f / low, 4));
        const double lp = 1 / std::sqrt(1 + std::pow(f / high, 4));
        const double ripple = 1 + 0.15 * std::sin(std::log(f) * 9);
        const double mag = std::pow(10.0, db / 20) * hp * lp * ripple;
        const double phase = M_PI - 2 * std::atan(f / low) - 2 * std::atan(f / high) * 0.7;
        drv.Acoustic.Response.Re[k] = mag * std::cos(phase);
        drv.Acoustic.Response.Im[k] = mag * std::sin(phase);
    }
}

// The design with its ngspice netlist, built on the test circuit builder.
struct ThreeWayDesign {
    ThreeWayDesign();

    test::CircuitBuilder c;
    TDesign& d = c.d;
    TNetlist Net;       // of d as built
    std::string spice;  // the same circuit as an ngspice netlist

private:
    static std::string N(int n) { return n == 0 ? "0" : "n" + std::to_string(n); }
    int Node() { return next++; }
    void Spice(const TPart& p, int a, int b);
    TPart& R(int a, int b, double v);
    TPart& L(int a, int b, double v);
    TPart& C(int a, int b, double v);
    void Driver(int a, const DriverModel& m, double low, double high, double db);

    int next = 1;
};

}  // namespace pelmo::bench
