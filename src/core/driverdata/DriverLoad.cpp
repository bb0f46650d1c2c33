#include "driverdata/DriverLoad.h"

#include <cmath>

#include "base/Conversions.h"
#include "base/FileProblem.h"
#include "base/MessageSink.h"
#include "driverdata/FitCurve.h"
#include "driverdata/MeasurementFile.h"
#include "model/AnalysisGrid.h"
#include "model/Design.h"

namespace pelmo {

namespace {

constexpr double DegToRad = M_PI / 180.0;

bool AllFinite(const DataArray& a) {
    for (double x : a)
        if (!std::isfinite(x)) return false;
    return true;
}

constexpr const char* NoDataLines = "no data lines";
constexpr const char* OutOfRange = "a number out of range";

// A failed load says so once: the fixed text with the path, then the cause.
void ShowLoadError(MessageSink& messages, const std::string& path, const std::string& why) {
    messages.ShowMessage(FileLoadErrorPrefix + path + (why.empty() ? std::string() : "\n" + why));
}

// The measured points in ascending order of frequency; false with the cause.
bool ReadPoints(const std::string& path, DataArray& freq, DataArray& value, DataArray& phase, std::string& why) {
    if (!ReadMeasurementData(path, freq, value, phase, &why)) return false;
    SortByFrequency(freq, value, phase);
    return true;
}

void ApplyResponseTailDefaults(TDriver& drv) {
    drv.Acoustic.Tails.LowFreq = 100.0;
    drv.Acoustic.Tails.HighFreq = 16000.0;
    drv.Acoustic.Tails.LowSlope = 24.0;
    drv.Acoustic.Tails.HighSlope = 42.0;
    drv.Acoustic.Tails.Invert = false;
    drv.Acoustic.Tails.DelayInches = 0.0;
}

}  // namespace

bool FitResponseOnGrid(DataArray freq, DataArray level, DataArray phase, const DataArray& grid, DataArray& re,
                       DataArray& im, MessageSink& messages, std::string* why) {
    if (freq.empty() || level.size() != freq.size() || phase.size() != freq.size()) {
        SetWhy(why, NoDataLines);
        return false;
    }
    if (!AllFinite(freq) || !AllFinite(level) || !AllFinite(phase)) {
        SetWhy(why, OutOfRange);
        return false;
    }
    SortByFrequency(freq, level, phase);
    for (std::size_t k = 0; k < freq.size(); ++k) {
        phase[k] *= DegToRad;
        level[k] = DbToLin(level[k]);
    }
    ExtendLowEnd(freq, level, phase);
    PolarToRect(level, phase);
    DataArray fitRe, fitIm;
    if (!FitCurve(freq, level, grid, fitRe, messages) || !FitCurve(freq, phase, grid, fitIm, messages) ||
        !AllFinite(fitRe) || !AllFinite(fitIm)) {
        SetWhy(why, OutOfRange);
        return false;
    }
    re = std::move(fitRe);
    im = std::move(fitIm);
    return true;
}

bool FitImpedanceOnGrid(DataArray freq, DataArray ohms, DataArray phase, const DataArray& grid, DataArray& re,
                        DataArray& im, MessageSink& messages, std::string* why) {
    if (freq.empty() || ohms.size() != freq.size() || phase.size() != freq.size()) {
        SetWhy(why, NoDataLines);
        return false;
    }
    if (!AllFinite(freq) || !AllFinite(ohms) || !AllFinite(phase)) {
        SetWhy(why, OutOfRange);
        return false;
    }
    SortByFrequency(freq, ohms, phase);
    if (freq.size() < 2) {
        SetWhy(why, "only one frequency");
        return false;
    }
    for (double& p : phase) p *= DegToRad;
    PolarToRect(ohms, phase);
    DataArray fitRe, fitIm;
    if (!FitCurve(freq, ohms, grid, fitRe, messages) || !FitCurve(freq, phase, grid, fitIm, messages) ||
        !AllFinite(fitRe) || !AllFinite(fitIm)) {
        SetWhy(why, OutOfRange);
        return false;
    }
    re = std::move(fitRe);
    im = std::move(fitIm);
    return true;
}

bool LoadDriverResponse(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages) {
    EnsureAnalysisGrid(d);
    DataArray freq, level, phase;
    std::string why;
    bool ok = ReadPoints(path, freq, level, phase, why);
    if (ok) {
        drv.Acoustic.HilbertPhase = false;
        if (drv.Acoustic.Tails.HighFreq == 0.0) ApplyResponseTailDefaults(drv);
        ok = FitResponseOnGrid(std::move(freq), std::move(level), std::move(phase), d.Grid, drv.Acoustic.Response.Re,
                               drv.Acoustic.Response.Im, messages, &why);
    }
    if (!ok) {
        SetDefaultResponse(drv);
        ShowLoadError(messages, path, why);
        drv.Acoustic.FRDFile.clear();
    }
    return ok;
}

bool LoadDriverImpedance(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages) {
    EnsureAnalysisGrid(d);
    DataArray freq, ohms, phase, re, im;
    std::string why;
    bool ok = ReadPoints(path, freq, ohms, phase, why) &&
              FitImpedanceOnGrid(std::move(freq), std::move(ohms), std::move(phase), d.Grid, re, im, messages, &why);
    if (ok) {
        // Y = 1/Z; a zero impedance has no admittance.
        for (std::size_t k = 0; k < re.size() && ok; ++k) {
            const double a = re[k], b = im[k];
            const double m2 = a * a + b * b;
            if (m2 == 0.0 || !std::isfinite(m2)) {
                ok = false;
                why = m2 == 0.0 ? "zero impedance" : OutOfRange;
                break;
            }
            re[k] = a / m2;
            im[k] = -b / m2;
        }
        if (ok && !(AllFinite(re) && AllFinite(im))) {
            ok = false;
            why = OutOfRange;
        }
    }
    if (ok) {
        drv.Admittance.Re = std::move(re);
        drv.Admittance.Im = std::move(im);
    } else {
        ShowLoadError(messages, path, why);
        drv.ZMAFile.clear();
        SetDefaultImpedance(drv);
    }
    return ok;
}

bool LoadAcousticEffect(TDriver& drv, const std::string& path, MessageSink& messages) {
    DataArray grid;
    MakeLogGrid(grid);
    DataArray freq, level, phase, re, im;
    std::string why;
    const bool ok =
        ReadPoints(path, freq, level, phase, why) &&
        FitResponseOnGrid(std::move(freq), std::move(level), std::move(phase), grid, re, im, messages, &why);
    if (!ok) {
        ShowLoadError(messages, path, why);
        return false;
    }
    drv.Acoustic.AcousticEffect.Re = std::move(re);
    drv.Acoustic.AcousticEffect.Im = std::move(im);
    return true;
}

bool ReadFileOnGrid(const std::string& path, bool isImpedance, DataArray& grid, DataArray& magnitude, DataArray& phase,
                    MessageSink& messages) {
    DataArray privateGrid;
    MakeLogGrid(privateGrid);
    DataArray freq, value, ph, re, im;
    std::string why;
    bool ok = ReadPoints(path, freq, value, ph, why);
    if (ok) {
        ok = isImpedance ? FitImpedanceOnGrid(std::move(freq), std::move(value), std::move(ph), privateGrid, re, im,
                                              messages, &why)
                         : FitResponseOnGrid(std::move(freq), std::move(value), std::move(ph), privateGrid, re, im,
                                             messages, &why);
    }
    if (!ok) {
        ShowLoadError(messages, path, why);
        return false;
    }
    if (isImpedance) {
        for (std::size_t k = 0; k < re.size(); ++k) {
            const double a = re[k], b = im[k];
            re[k] = std::sqrt(a * a + b * b);
            im[k] = std::atan2(b, a) * 180.0 / M_PI;
        }
    } else {
        RectToPolar(re, im);
    }
    grid = std::move(privateGrid);
    magnitude = std::move(re);
    phase = std::move(im);
    return true;
}

}  // namespace pelmo
