#include "acoustics/EnclosureFiles.h"

#include <cmath>

#include "base/MessageSink.h"
#include "values/NumberFormat.h"

namespace pelmo {

bool WriteEnclosureModelFiles(const TDriverModelParams& p, const TEnclosure& box, const DataArray& freqs,
                              const std::string& basePath, MessageSink& messages, bool magnitudeOnly) {
    if (box.Kind == EnclosureKind::InfiniteBaffle)
        return WriteDriverModelFiles(p, freqs, basePath, messages, magnitudeOnly);
    auto problem = DriverModelProblem(p);
    if (!problem) problem = EnclosureProblem(box);
    if (!problem) problem = ModelFrequenciesProblem(freqs);
    if (problem) {
        messages.ShowMessage(*problem);
        return false;
    }
    return WriteModelData(p, EvaluateEnclosure(p, box, freqs), basePath, messages, magnitudeOnly,
                          EnclosureHeader(p, box));
}

std::vector<std::string> ExcursionLines(const TDriverModelParams& p, const TEnclosure& box, const TExcursion& x,
                                        double watts) {
    std::vector<std::string> lines = {
        "* Modelled excursion, not a measurement: made by Pelmo from small-signal parameters."};
    std::vector<std::string> where = EnclosureHeader(p, box);
    if (where.empty()) where = {"* on an infinite baffle"};
    lines.insert(lines.end(), where.begin(), where.end());
    lines.push_back("* at " + FormatGeneral(watts, 6) + " W into Re (" + FormatGeneral(std::sqrt(watts * p.Re), 4) +
                    " V RMS), peak values" +
                    (p.Xmax > 0 ? "; Xmax " + FormatGeneral(p.Xmax * 1e3, 4) + " mm" : std::string()));
    std::string caption = "* Freq [Hz]  Cone excursion [mm]";
    if (!x.Vent.empty())
        caption += box.Kind == EnclosureKind::Vented ? "  Port air velocity [m/s]" : "  Radiator excursion [mm]";
    lines.push_back(caption);
    const double ventScale = box.Kind == EnclosureKind::Vented ? 1.0 : 1e3;
    for (std::size_t k = 0; k < x.Freq.size(); ++k) {
        std::string line = FormatFixed(x.Freq[k], 4) + '\t' + FormatFixed(x.Cone[k] * 1e3, 4);
        if (k < x.Vent.size()) line += '\t' + FormatFixed(x.Vent[k] * ventScale, 4);
        lines.push_back(line);
    }
    return lines;
}

TPeakExcursion PeakExcursion(const TExcursion& x) {
    TPeakExcursion peak;
    for (std::size_t k = 0; k < x.Freq.size() && k < x.Cone.size(); ++k)
        if (x.Cone[k] > peak.Cone) peak = {x.Freq[k], x.Cone[k]};
    return peak;
}

double PowerWithinXmax(const TDriverModelParams& p, const TExcursion& x, double watts) {
    const double peak = PeakExcursion(x).Cone;
    if (!(p.Xmax > 0) || !(peak > 0)) return 0;
    // The circuit is linear: excursion grows with the square root of the power.
    const double ratio = p.Xmax / peak;
    return watts * ratio * ratio;
}

}  // namespace pelmo
