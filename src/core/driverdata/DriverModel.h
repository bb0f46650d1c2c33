#pragma once

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "base/DataTypes.h"
#include "base/Units.h"

// A loudspeaker driver modelled from its small-signal (Thiele-Small)
// parameters, for designs that start before measurements exist. The driver is
// a lumped electro-mechanical system: the voice coil (Re in series with an
// inductance, optionally a lossy semi-inductance) drives a moving mass on a
// suspension (Mms, Cms, Rms derived from fs, Qms, Qes, Vas and Sd) that
// radiates as a piston into half space (an infinite baffle). On top of that
// come optional cone resonances (second-order low-pass resonances: a peak of
// about Q, then 12 dB per octave down), a first-order high-frequency roll-off,
// a baffle-step shelf (6 dB less below the step of a baffle of the given
// width) and an acoustic-centre delay. Everything but the delay is minimum
// phase, so the phase of the model is the one a measurement of such a driver
// would have with its acoustic centre on the reference plane.

namespace pelmo {

class MessageSink;

// Speed of sound and air density of the model (the reference efficiency
// depends only on the speed of sound; the pressure also on the density).
inline constexpr double ModelSpeedOfSound = SpeedOfSoundMetres;  // m/s
inline constexpr double ModelAirDensity = 1.18;                  // kg/m^3
// The drive level and distance of a modelled FRD: 2.83 V at 1 m.
inline constexpr double ModelDriveVolts = 2.83;
inline constexpr double ModelDistance = 1.0;  // m
// A semi-inductance is given by its inductance at this frequency.
inline constexpr double SemiInductanceReferenceHz = 1000.0;

// A cone or dome resonance: frequency in Hz and quality factor.
struct TConeResonance {
    double Freq = 0;
    double Q = 0;
};

// Parameters in SI units (ohms, henries, hertz, cubic metres, square metres,
// metres, seconds).
struct TDriverModelParams {
    double Re = 0;  // voice-coil DC resistance
    double Le = 0;  // voice-coil inductance (its value at 1 kHz for a semi-inductance)
    // 1: a plain inductance jwLe; 0 < LeExponent < 1: the lossy
    // semi-inductance wLe(jf/1 kHz)^n with the phase n*90 degrees.
    double LeExponent = 1;
    double Fs = 0;   // free-air resonance
    double Qms = 0;  // mechanical Q at fs
    double Qes = 0;  // electrical Q at fs
    double Vas = 0;  // equivalent compliance volume
    double Sd = 0;   // effective piston area
    std::vector<TConeResonance> Resonances;
    double RolloffHz = 0;    // first-order low-pass corner; 0 for none
    double BaffleWidth = 0;  // baffle-step shelf; 0 for an infinite baffle
    double Delay = 0;        // acoustic-centre delay, s
    double Xmax = 0;         // one-way linear excursion, m; 0 when not known (not in the files)
};

// The effective piston area of a given effective diameter (m -> m^2).
double PistonArea(double diameter);

// The first unphysical parameter as a message for the user ("Qes must be a
// number greater than 0 (it is -0.5)."), or a set whose reference efficiency
// reaches 100 %, or nothing when the set can be modelled.
std::optional<std::string> DriverModelProblem(const TDriverModelParams& p);

// Derived quantities (p must have passed DriverModelProblem).
struct TDriverModelDerived {
    double Cms = 0;  // m/N
    double Mms = 0;  // kg
    double Rms = 0;  // N s/m
    double Bl = 0;   // T m
    double Qts = 0;
    double Efficiency = 0;    // reference efficiency (fraction, not percent)
    double Sensitivity = 0;   // dB SPL at 2.83 V / 1 m in half space, mass-controlled band
    double BaffleStepHz = 0;  // -3 dB point of the shelf; 0 without baffle
};
TDriverModelDerived DeriveDriverModel(const TDriverModelParams& p);

// Reference efficiency (4 pi^2 / c^3) fs^3 Vas / Qes with c = 344 m/s.
double ReferenceEfficiency(const TDriverModelParams& p);

// Electrical impedance (ohms) at frequency f (Hz).
std::complex<double> ModelImpedance(const TDriverModelParams& p, double f);

// On-axis sound pressure (Pa, complex, phase with the program's convention:
// a delay lags) at 2.83 V and 1 m.
std::complex<double> ModelPressure(const TDriverModelParams& p, double f);

// The voice coil alone: Re plus the (semi-)inductance, ohms.
std::complex<double> VoiceCoilImpedance(const TDriverModelParams& p, double f);

// What the model does to the pressure of the moving piston at frequency f:
// the cone resonances, the roll-off, the baffle-step shelf and the delay, in
// the order ModelPressure applies them (an enclosure's response gets the same).
std::complex<double> ApplyModelShaping(const TDriverModelParams& p, const TDriverModelDerived& m, double f,
                                       std::complex<double> pressure);

// Frequencies from lowHz to highHz (both exact) with an equal ratio and about
// perDecade points per decade: by default 10 Hz ... 40 kHz with 250 per
// decade, so that a file covers the whole analysis grid (below its first point
// an impedance file would be extrapolated straight, a response file by a
// fixed roll-off, neither of which a modelled driver needs). Empty when the
// arguments make no range, or one of more than ten million points.
DataArray ModelFrequencies(double lowHz = 10.0, double highHz = 40000.0, int perDecade = 250);

// The model on a frequency list: SPL (dB re 20 uPa) and phase (degrees,
// wrapped into +-180), impedance (ohms) and phase (degrees).
struct TDriverModelData {
    DataArray Freq;
    DataArray SplDb;
    DataArray SplDeg;
    DataArray Ohms;
    DataArray OhmsDeg;
};
TDriverModelData EvaluateDriverModel(const TDriverModelParams& p, const DataArray& freqs);

// Appends one point's level, phase, impedance and phase (not its frequency)
// as EvaluateDriverModel stores them.
void AppendModelPoint(TDriverModelData& data, std::complex<double> pressure, std::complex<double> impedance);

// The text lines of the two files in the measurement-file syntax, each with a
// comment header that says the data are modelled, and from what. A
// magnitude-only FRD has two columns, like a published curve without phase.
// Extra header lines (each starting with "* ") go just before the column
// captions.
std::vector<std::string> ModelFrdLines(const TDriverModelParams& p, const TDriverModelData& data,
                                       bool magnitudeOnly = false, const std::vector<std::string>& extraHeader = {});
std::vector<std::string> ModelZmaLines(const TDriverModelParams& p, const TDriverModelData& data,
                                       const std::vector<std::string>& extraHeader = {});

// The frequency list of a model: at least two, increasing, above 0 Hz; the
// message for the user when it is not.
std::optional<std::string> ModelFrequenciesProblem(const DataArray& freqs);

// Writes basePath + ".frd" and basePath + ".zma". The parameters are checked
// first; a problem, or a file that cannot be written, is shown and the result
// is false (nothing is written after a problem; a failed write leaves the
// file of that name as it was).
bool WriteDriverModelFiles(const TDriverModelParams& p, const DataArray& freqs, const std::string& basePath,
                           MessageSink& messages, bool magnitudeOnly = false);

// The writing half of WriteDriverModelFiles for data evaluated elsewhere (a
// driver in an enclosure): refuses data that are not finite, then writes the
// two files with the extra header lines.
bool WriteModelData(const TDriverModelParams& p, const TDriverModelData& data, const std::string& basePath,
                    MessageSink& messages, bool magnitudeOnly = false,
                    const std::vector<std::string>& extraHeader = {});

}  // namespace pelmo
