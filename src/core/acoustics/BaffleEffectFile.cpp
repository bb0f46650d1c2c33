#include "acoustics/BaffleEffectFile.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "base/TextFile.h"
#include "driverdata/DriverModel.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

constexpr double MillimetresPerInch = 25.4;

std::string Mm(double inches) { return FormatGeneral(inches * MillimetresPerInch, 6) + " mm"; }

// The shortest text that reads back as the same double, so that a file
// written on the analysis grid gives its frequencies back exactly.
std::string ExactText(double x) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, r.ptr);
}

}  // namespace

std::vector<std::string> BaffleEffectLines(const TBaffle& baffle, const TBaffleSource& source,
                                           const TBaffleListener& listener, const DataArray& freqs,
                                           const std::vector<std::complex<double>>& factor) {
    const std::string shape =
        baffle.Shape == BaffleShape::Circle
            ? "circular baffle of " + Mm(baffle.DiameterIn) + " diameter"
            : "rectangular baffle " + Mm(baffle.WidthIn) + " wide, " + Mm(baffle.HeightIn) + " high";
    const std::string edge = baffle.RoundoverIn > 0 ? "edge roundover " + Mm(baffle.RoundoverIn) : "sharp edges";
    const std::string driver = "driver centre " + Mm(source.XIn - baffle.CentreXIn) + " right of and " +
                               Mm(source.YIn - baffle.CentreYIn) + " above the baffle's centre, " +
                               (source.DiameterIn > 0 ? "piston " + Mm(source.DiameterIn) : "point source");
    const std::string heard =
        "heard at H " + FormatGeneral(listener.HDeg, 6) + " V " + FormatGeneral(listener.VDeg, 6) + " deg, " +
        (listener.DistanceM > 0 ? FormatGeneral(listener.DistanceM, 6) + " m away" : std::string("far away"));
    std::vector<std::string> lines = {
        "* ACOUSTIC EFFECT (0dB nominal FRD): baffle diffraction modelled by Pelmo, not a measurement.",
        "* " + shape + ", " + edge, "* " + driver,
        "* " + heard + "; edge sources of strength -1/2, c = " + FormatGeneral(ModelSpeedOfSound, 6) + " m/s",
        "* Freq [Hz]  Level [dB]  Phase [deg]"};
    for (std::size_t k = 0; k < freqs.size() && k < factor.size(); ++k)
        lines.push_back(ExactText(freqs[k]) + '\t' + FormatFixed(LinToDb(std::abs(factor[k])), 4) + '\t' +
                        FormatFixed(std::arg(factor[k]) * 180 / std::numbers::pi, 3));
    return lines;
}

bool WriteBaffleEffectFile(const std::string& path, const TBaffle& baffle, const TBaffleSource& source,
                           const TBaffleListener& listener, const DataArray& freqs, MessageSink& messages) {
    auto problem = BaffleProblem(baffle, source);
    if (!problem) problem = ModelFrequenciesProblem(freqs);
    if (!problem && !(std::isfinite(listener.HDeg) && std::isfinite(listener.VDeg) &&
                      std::isfinite(listener.DistanceM) && listener.DistanceM >= 0 && listener.DistanceM <= 1e6))
        problem = "The listening direction must be numbers, the distance from 0 (far away) to 1000 km.";
    if (problem) {
        messages.ShowMessage(*problem);
        return false;
    }
    const std::vector<std::complex<double>> factor = BaffleFactor(baffle, source, listener, freqs);
    for (const auto& a : factor)
        if (!std::isfinite(a.real()) || !std::isfinite(a.imag())) {
            messages.ShowMessage("This baffle gives no finite diffraction factor.");
            return false;
        }
    if (!WriteTextLines(path, BaffleEffectLines(baffle, source, listener, freqs, factor))) {
        messages.ShowMessage("Could not write " + path);
        return false;
    }
    return true;
}

}  // namespace pelmo
