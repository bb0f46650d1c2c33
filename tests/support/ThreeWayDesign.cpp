#include "ThreeWayDesign.h"

namespace pelmo::bench {

void ThreeWayDesign::Spice(const TPart& p, int a, int b) {
    const std::string name = PartDesignator(p);
    if (p.PartType == TPartType::Resistor || p.ESR == 0) {
        spice += name + " " + N(a) + " " + N(b) + " " + std::to_string(p.Value) + "\n";
    } else {
        spice += name + " " + N(a) + " x" + name + " " + std::to_string(p.Value) + "\n";
        spice += "RE" + name + " x" + name + " " + N(b) + " " + std::to_string(p.ESR) + "\n";
    }
}

TPart& ThreeWayDesign::R(int a, int b, double v) {
    TPart& p = c.R(a, b, v);
    Spice(p, a, b);
    return p;
}

TPart& ThreeWayDesign::L(int a, int b, double v) {
    TPart& p = c.L(a, b, v, 0.2 + v * 150);
    Spice(p, a, b);
    return p;
}

TPart& ThreeWayDesign::C(int a, int b, double v) {
    TPart& p = c.C(a, b, v, 0.03);
    Spice(p, a, b);
    return p;
}

void ThreeWayDesign::Driver(int a, const DriverModel& m, double low, double high, double db) {
    TDriver& drv = c.Driver(a, 0, 8);
    drv.Admittance.Re.resize(d.Grid.size());
    drv.Admittance.Im.resize(d.Grid.size());
    for (std::size_t k = 0; k < d.Grid.size(); ++k) {
        const TComplex z = m.Z(d.Grid[k]);
        const double den = z.re * z.re + z.im * z.im;
        drv.Admittance.Re[k] = z.re / den;
        drv.Admittance.Im[k] = -z.im / den;
    }
    SetModelResponse(drv, d.Grid, low, high, db);
    const std::string sd = "S" + std::to_string(drv.RefDes);
    spice += "RE" + sd + " " + N(a) + " a" + sd + " " + std::to_string(m.Re) + "\n";
    spice += "LE" + sd + " a" + sd + " b" + sd + " " + std::to_string(m.Le) + "\n";
    spice += "RM" + sd + " b" + sd + " 0 " + std::to_string(m.Res) + "\n";
    spice += "LM" + sd + " b" + sd + " 0 " + std::to_string(m.Lces) + "\n";
    spice += "CM" + sd + " b" + sd + " 0 " + std::to_string(m.Cmes) + "\n";
}

ThreeWayDesign::ThreeWayDesign() {
    c.Ground();
    const int in = Node();
    c.Source(in, 0);
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

}  // namespace pelmo::bench
