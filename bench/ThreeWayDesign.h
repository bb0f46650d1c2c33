#pragma once

// A three-way design of 30 parts and 3 drivers with measured-looking
// impedance and response data, built in code for the benchmarks and
// screenshots: woofer with a fourth-order low-pass, notch and Zobel; mid
// with a band-pass, L-pad and Zobel; tweeter with a fourth-order high-pass,
// L-pad and resonance trap.

#include <cmath>
#include <string>

#include "engine/Netlist.h"
#include "model/AnalysisGrid.h"
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

inline void SetModelResponse(TDriver& drv, const DataArray& grid, double low, double high, double db) {
    drv.Response.Re.resize(grid.size());
    drv.Response.Im.resize(grid.size());
    for (std::size_t k = 0; k < grid.size(); ++k) {
        const double f = grid[k];
        const double hp = std::pow(f / low, 2) / std::sqrt(1 + std::pow(f / low, 4));
        const double lp = 1 / std::sqrt(1 + std::pow(f / high, 4));
        const double ripple = 1 + 0.15 * std::sin(std::log(f) * 9);
        const double mag = std::pow(10.0, db / 20) * hp * lp * ripple;
        const double phase = M_PI - 2 * std::atan(f / low) - 2 * std::atan(f / high) * 0.7;
        drv.Response.Re[k] = mag * std::cos(phase);
        drv.Response.Im[k] = mag * std::sin(phase);
    }
}

struct ThreeWayDesign {
    TDesign d;
    TNetlist Net;       // of d as built
    std::string spice;  // the same circuit as an ngspice netlist
    int next = 1;

    static std::string N(int n) { return n == 0 ? "0" : "n" + std::to_string(n); }

    static TPoint At(int node) { return {4 + 5 * node, 3 + 2 * node}; }
    int Node() { return next++; }

    TPart& Part(std::uint8_t type, int a, int b, double value, double esr = 0) {
        const int refDes = NextPartRefDes(d, type);
        TPart& p = AppendPart(d);
        p.PartType = type;
        p.RefDes = refDes;
        p.Value = value;
        p.ESR = esr;
        p.State = psNormal;
        p.Terminal1 = At(a);
        p.Terminal2 = At(b);
        const std::string name = PartDesignator(p);
        if (type == ptResistor || esr == 0) {
            spice += name + " " + N(a) + " " + N(b) + " " + std::to_string(value) + "\n";
        } else {
            spice += name + " " + N(a) + " x" + name + " " + std::to_string(value) + "\n";
            spice += "RE" + name + " x" + name + " " + N(b) + " " + std::to_string(esr) + "\n";
        }
        return p;
    }
    TPart& R(int a, int b, double v) { return Part(ptResistor, a, b, v); }
    TPart& L(int a, int b, double v) { return Part(ptInductor, a, b, v, 0.2 + v * 150); }
    TPart& C(int a, int b, double v) { return Part(ptCapacitor, a, b, v, 0.03); }

    void Driver(int a, const DriverModel& m, double low, double high, double db) {
        const int refDes = NextDriverRefDes(d);
        TDriver& drv = AppendDriver(d);
        SetNewDriverDefaults(d, drv);
        drv.RefDes = refDes;
        drv.Terminal1 = At(a);
        drv.Terminal2 = At(0);
        drv.Admittance.Re.resize(d.Grid.size());
        drv.Admittance.Im.resize(d.Grid.size());
        for (std::size_t k = 0; k < d.Grid.size(); ++k) {
            const TComplex z = m.Z(d.Grid[k]);
            const double den = z.re * z.re + z.im * z.im;
            drv.Admittance.Re[k] = z.re / den;
            drv.Admittance.Im[k] = -z.im / den;
        }
        SetModelResponse(drv, d.Grid, low, high, db);
        const std::string sd = "S" + std::to_string(refDes);
        spice += "RE" + sd + " " + N(a) + " a" + sd + " " + std::to_string(m.Re) + "\n";
        spice += "LE" + sd + " a" + sd + " b" + sd + " " + std::to_string(m.Le) + "\n";
        spice += "RM" + sd + " b" + sd + " 0 " + std::to_string(m.Res) + "\n";
        spice += "LM" + sd + " b" + sd + " 0 " + std::to_string(m.Lces) + "\n";
        spice += "CM" + sd + " b" + sd + " 0 " + std::to_string(m.Cmes) + "\n";
    }

    ThreeWayDesign() {
        EnsureAnalysisGrid(d);
        AppendGround(d).Position = At(0);
        d.Source.Terminal2 = At(0);
        const int in = Node();
        d.Source.Terminal1 = At(in);
        spice = "three-way\nVIN nsrc 0 DC 0 AC 1\nRSRC nsrc " + N(in) + " 0.001\n";

        const DriverModel woofer{5.6, 1.1e-3, 38.0, 18e-3, 420e-6};
        const DriverModel mid{6.2, 0.35e-3, 22.0, 4.5e-3, 95e-6};
        const DriverModel tweeter{4.8, 0.06e-3, 9.0, 0.35e-3, 12e-6};

        const int w1 = Node(), w2 = Node(), w3 = Node(), wz = Node(), wn1 = Node(), wn2 = Node();
        L(in, w1, 2.7e-3);
        C(w1, 0, 33e-6);
        L(w1, w2, 1.5e-3);
        C(w2, 0, 12e-6);
        R(w2, w3, 0.47);
        R(w3, wz, 6.8);
        C(wz, 0, 22e-6);
        R(w3, wn1, 3.3);
        L(wn1, wn2, 0.47e-3);
        C(wn2, 0, 47e-6);
        Driver(w3, woofer, 35, 900, 88);

        const int m1 = Node(), m2 = Node(), m3 = Node(), m4 = Node(), m5 = Node(), mz = Node();
        C(in, m1, 39e-6);
        L(m1, 0, 1.8e-3);
        C(m1, m2, 27e-6);
        L(m2, m3, 0.56e-3);
        C(m3, 0, 8.2e-6);
        L(m3, m4, 0.33e-3);
        R(m4, m5, 2.2);
        R(m5, 0, 15);
        R(m5, mz, 6.8);
        C(mz, 0, 6.8e-6);
        Driver(m5, mid, 300, 6000, 90);

        const int t1 = Node(), t2 = Node(), t3 = Node(), t4 = Node(), tt1 = Node();
        C(in, t1, 6.8e-6);
        L(t1, 0, 0.39e-3);
        C(t1, t2, 8.2e-6);
        L(t2, 0, 0.68e-3);
        R(t2, t3, 3.9);
        R(t3, t4, 0.1);
        R(t4, tt1, 8.2);
        C(tt1, 0, 15e-6);
        R(t3, 0, 10);
        Driver(t4, tweeter, 1800, 25000, 92);
        Net = BuildNetlist(d);
    }
};

}  // namespace pelmo::bench
