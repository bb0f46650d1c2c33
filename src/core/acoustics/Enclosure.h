#pragma once

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "base/DataTypes.h"
#include "driverdata/DriverModel.h"

// A modelled driver (small-signal parameters, driverdata/DriverModel.h) in a
// box, as an electro-mechano-acoustical circuit in the impedance analogy
// (pressure as voltage, volume velocity as current), solved per frequency.
//
//   voice coil Re + Le  --Bl--  Rms + s Mms + 1/(s Cms)  --Sd--  box network
//
// The box network is what the back of the cone works into, all branches in
// parallel between the inside of the box and the outside air:
//   the air spring Cab = Vb / (rho c^2), with the absorption loss Rab in
//     series (Qa = 1 / (wb Cab Rab));
//   the leak Ral (Ql = wb Cab Ral);
//   vented: the port's air mass Map = rho Leff / Sp, Leff = the port's length
//     plus the end correction 0.849 r (the end in the baffle, flanged) +
//     0.613 r (the end inside the box, free), r = sqrt(Sp / pi);
//   passive radiator: its mass, suspension and loss, Rmp + s Mmp + 1/(s Cmp),
//     over its area squared.
// wb is the box's own tuning: vented 1/sqrt(Map Cab); passive radiator
// sqrt((1/Cap + 1/Cab) / Map) with Cap = Cmp Sp^2; sealed the resonance of the
// driver's mass on both springs, fs sqrt(1 + Vas/Vb).
//
// Everything that leaves the box radiates with the cone: the volume velocity
// heard is the cone's minus what flows into the air spring (cone plus port or
// radiator plus leak), radiated into half space as the driver model's piston;
// the model's cone resonances, roll-off, baffle-step shelf and delay then
// apply as to the driver alone. Like the driver model, the radiation load is
// left to the measured parameters (Mms includes the air load), and the port
// has no losses of its own other than through Ql.

namespace pelmo {

enum class EnclosureKind { InfiniteBaffle, Sealed, Vented, PassiveRadiator };

// A passive radiator in SI units.
struct TPassiveRadiator {
    double Mmp = 0;  // moving mass, kg
    double Cmp = 0;  // suspension compliance, m/N
    double Sp = 0;   // effective area, m^2
    double Qmp = 0;  // mechanical Q at its free resonance; 0 for no loss
};

struct TEnclosure {
    EnclosureKind Kind = EnclosureKind::InfiniteBaffle;
    double Vb = 0;  // net inner volume, m^3
    // Vented: the tuning Fb (Hz) sets the port's air mass when the port's
    // length is 0; with a length the port's size sets the tuning. The area is
    // needed for the port's air velocity (0: not known).
    double Fb = 0;
    double PortArea = 0;    // m^2
    double PortLength = 0;  // physical length, m
    TPassiveRadiator Radiator;
    double Ql = 0;  // leakage Q at the box's tuning; 0 for no leak
    double Qa = 0;  // absorption Q at the box's tuning; 0 for none
};

// The port's end correction over its radius (flanged plus free end).
inline constexpr double PortEndCorrection = 0.8488 + 0.6133;

// The length a port of the given area needs to tune Vb to fb (m; not above 0
// when the end correction alone is already too long), and the tuning of a
// port of the given area and length.
double PortLengthFor(double vb, double fb, double area);
double PortTuning(double vb, double area, double length);

// The first thing that cannot be modelled (as a message for the user), or
// nothing. The driver's own parameters are checked by DriverModelProblem.
std::optional<std::string> EnclosureProblem(const TEnclosure& box);

// Derived quantities of a driver in a box.
struct TEnclosureDerived {
    double Cab = 0;         // air spring, m^5/N
    double Map = 0;         // port or radiator air mass, kg/m^4 (0 for a sealed box)
    double Cap = 0;         // radiator suspension, m^5/N (0 when none)
    double Fb = 0;          // the box's tuning (see above), Hz
    double Qtc = 0;         // sealed: total Q of the driver in the box (Qa counted)
    double PortLength = 0;  // vented with a port area: physical length, m
};
TEnclosureDerived DeriveEnclosure(const TDriverModelParams& p, const TEnclosure& box);

// One frequency of the solved circuit, at the model's 2.83 V drive.
struct TEnclosurePoint {
    std::complex<double> Pressure;      // on axis at 1 m in half space, Pa
    std::complex<double> Impedance;     // at the driver's terminals, ohms
    std::complex<double> ConeVelocity;  // m/s
    std::complex<double> VentFlow;      // out of the box through the port or radiator, m^3/s (0 when none)
};

// p must have passed DriverModelProblem and box EnclosureProblem. An infinite
// baffle gives exactly ModelPressure and ModelImpedance.
std::vector<TEnclosurePoint> SolveEnclosure(const TDriverModelParams& p, const TEnclosure& box, const DataArray& freqs);

// The solved circuit as the driver model's data (SPL and impedance with
// phase); for an infinite baffle exactly EvaluateDriverModel.
TDriverModelData EvaluateEnclosure(const TDriverModelParams& p, const TEnclosure& box, const DataArray& freqs);

// Peak cone excursion (m) and peak air velocity in the port (m/s) or peak
// excursion of the passive radiator (m) at a given electrical input power,
// counted as the power into Re: the drive is sqrt(P Re) volts RMS.
struct TExcursion {
    DataArray Freq;
    DataArray Cone;
    DataArray Vent;  // empty for a sealed box, or a port without an area
};
TExcursion EnclosureExcursion(const TDriverModelParams& p, const TEnclosure& box, const DataArray& freqs, double watts);

// The comment lines that describe the box in the modelled files.
std::vector<std::string> EnclosureHeader(const TDriverModelParams& p, const TEnclosure& box);

}  // namespace pelmo
