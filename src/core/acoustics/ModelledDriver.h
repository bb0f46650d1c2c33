#pragma once

#include <complex>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "acoustics/BaffleDiffraction.h"
#include "acoustics/Enclosure.h"
#include "acoustics/EnclosureFiles.h"
#include "base/DataTypes.h"
#include "driverdata/DriverModel.h"

// A driver planned from its small-signal parameters: the driver, its box, the
// baffle it sits on and the power it is driven with, in the units a user
// types them. From it come the preview curves (response with the baffle's
// diffraction, impedance, excursion) and the files a driver of the design
// takes over: its response and impedance, the baffle's on-axis factor as its
// acoustic effect, and an off-axis set.

namespace pelmo {

class MessageSink;
class TDesignSettings;
struct TDesign;

enum class ModelBaffleKind { None, Rectangle, Circle };

struct TModelSetup {
    // The driver (a 6.5 inch woofer to start from).
    double ReOhm = 5.6;
    double LeMh = 0.55;
    double LeExponent = 1;  // below 1: a lossy semi-inductance
    double FsHz = 38;
    double Qms = 3.4;
    double Qes = 0.42;
    double VasLitres = 24;
    double SdCm2 = 133;
    double XmaxMm = 5;
    // The box. Losses and the radiator's own Q: 0 for none.
    EnclosureKind Box = EnclosureKind::InfiniteBaffle;
    double VbLitres = 24;
    double FbHz = 38;
    double Ql = 7;
    double Qa = 0;
    double PortDiameterCm = 5;  // a round port; 0: not known (no air velocity)
    double MmpGrams = 40;
    double CmpMmPerN = 0.5;
    double SpCm2 = 200;
    double Qmp = 0;
    // The baffle, and the driver's centre from the baffle's centre (right, up).
    ModelBaffleKind Baffle = ModelBaffleKind::None;
    double WidthMm = 200;
    double HeightMm = 350;
    double DiameterMm = 400;
    double RoundoverMm = 0;
    double XMm = 0;
    double YMm = 0;
    // The drive of the excursion curves: electrical power into Re.
    double Watts = 1;

    friend bool operator==(const TModelSetup&, const TModelSetup&) = default;
};

// The model's parts in SI units (the baffle in inches, as the design's).
TDriverModelParams ModelDriverParams(const TModelSetup& s);
// The setup with the driver's parameters (Re, Le, fs, Qms, Qes, Vas, Sd,
// Xmax) taken from p.
TModelSetup WithDriverParams(TModelSetup s, const TDriverModelParams& p);
TEnclosure ModelEnclosure(const TModelSetup& s);
TBaffle ModelBaffle(const TModelSetup& s);
// The driver on the baffle: at the design's origin, a piston of its
// effective diameter.
TBaffleSource ModelBaffleSource(const TModelSetup& s);
// The effective diameter of the cone, inches: that of a piston of area Sd.
double EffectiveDiameterInches(const TModelSetup& s);

// The first thing that cannot be modelled, as a message for the user.
std::optional<std::string> ModelSetupProblem(const TModelSetup& s);

// The setup kept in a design's settings ("model.re = 5.6", "model.box =
// vented", ...). Reading takes each value that is missing or unreadable from
// `fallback`.
void WriteModelSetup(const TModelSetup& s, TDesignSettings& settings);
TModelSetup ReadModelSetup(const TDesignSettings& settings, const TModelSetup& fallback = {});
// Whether the settings hold a setup at all.
bool HasModelSetup(const TDesignSettings& settings);

// The preview's frequencies: 10 Hz to 20 kHz, 60 a decade.
DataArray ModelPreviewFrequencies();

struct TModelPreview {
    std::string Problem;  // not empty: the setup cannot be modelled, no curves
    DataArray Freq;
    DataArray SplDb, SplDeg;  // at 2.83 V / 1 m, with the baffle's diffraction
    DataArray Ohms, OhmsDeg;
    DataArray ConeMm;  // peak cone excursion at the setup's power
    DataArray Vent;    // port air velocity (m/s) or radiator excursion (mm); empty when none
    TDriverModelDerived Driver;
    TEnclosureDerived Enclosure;
    TPeakExcursion Peak;         // of the cone (m, Hz)
    double WattsWithinXmax = 0;  // the most power that keeps the cone within Xmax; 0 when Xmax is 0
};

// Works out the preview of a setup again and again (while its fields are
// tuned): the baffle's factor is worked out only when the baffle, the
// driver's place on it or its size change.
class TModelPreviewer {
public:
    explicit TModelPreviewer(DataArray freqs = ModelPreviewFrequencies());

    const TModelPreview& Update(const TModelSetup& s);
    const TModelPreview& Preview() const { return preview_; }
    // How often the baffle's factor was worked out (tests and benchmarks).
    std::size_t BaffleSolves() const { return baffleSolves_; }

private:
    DataArray freqs_;
    TModelPreview preview_;
    bool haveFactor_ = false;
    TModelSetup factorOf_;  // the baffle fields the factor was made for
    std::vector<std::complex<double>> factor_;
    std::size_t baffleSolves_ = 0;
};

// The files of a modelled driver named NAME in a folder.
struct TModelFiles {
    std::string Frd;                   // NAME.frd
    std::string Zma;                   // NAME.zma
    std::string Baffle;                // NAME-baffle.frd; empty without a baffle
    std::vector<std::string> OffAxis;  // NAME@h10.frd ... NAME@v90.frd; empty without a baffle
};

// The off-axis angles written with a baffle: 10 to 90 degrees in 10 degree
// steps, horizontal and vertical.
inline constexpr int ModelOffAxisStepDeg = 10;
inline constexpr int ModelOffAxisLastDeg = 90;

// Whether `name` can name the files (a plain file name without "@", "/" or
// "\" that is not empty).
bool IsModelName(const std::string& name);

// Writes the files into `folder` (made when missing): the response and
// impedance (10 Hz to 40 kHz), and with a baffle the baffle's on-axis factor
// as an acoustic-effect file and the off-axis set on the analysis grid. An
// off-axis file holds the response heard in its direction divided by the
// on-axis factor, because the driver's acoustic effect multiplies its
// response in every direction. Without a baffle an off-axis set left by an
// earlier model of the same name is removed, so that it is not taken for
// this one's. A problem or a file that cannot be written is shown; false.
bool WriteModelFiles(const TModelSetup& s, const std::string& folder, const std::string& name, TModelFiles& files,
                     MessageSink& messages);

// Loads the files into the driver as the driver dialog loads chosen files:
// response (measured phase), impedance, the acoustic effect (cleared when
// there is none) and the effective diameter. A file that cannot be read
// leaves the driver exactly as it was; false.
bool LoadModelFiles(TDesign& d, std::size_t driver, const TModelFiles& files, double diameterInches,
                    MessageSink& messages);

}  // namespace pelmo
