#include "driverdata/DriverLoad.h"

#include <cmath>

#include "base/Conversions.h"
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
                       DataArray& im, MessageSink& messages) {
    if (freq.empty() || level.size() != freq.size() || phase.size() != freq.size()) return false;
    if (!AllFinite(freq) || !AllFinite(level) || !AllFinite(phase)) return false;
    SortByFrequency(freq, level, phase);
    for (std::size_t k = 0; k < freq.size(); ++k) {
        phase[k] *= DegToRad;
        level[k] = DbToLin(level[k]);
    }
    ExtendLowEnd(freq, level, phase);
    PolarToRect(level, phase);
    DataArray fitRe, fitIm;
    if (!FitCurve(freq, level, grid, fitRe, messages) || !FitCurve(freq, phase, grid, fitIm, messages)) return false;
    if (!AllFinite(fitRe) || !AllFinite(fitIm)) return false;
    re = std::move(fitRe);
    im = std::move(fitIm);
    return true;
}

bool FitImpedanceOnGrid(DataArray freq, DataArray ohms, DataArray phase, const DataArray& grid, DataArray& re,
                        DataArray& im, MessageSink& messages) {
    if (ohms.size() != freq.size() || phase.size() != freq.size()) return false;
    if (!AllFinite(freq) || !AllFinite(ohms) || !AllFinite(phase)) return false;
    SortByFrequency(freq, ohms, phase);
    if (freq.size() < 2) return false;
    for (double& p : phase) p *= DegToRad;
    PolarToRect(ohms, phase);
    DataArray fitRe, fitIm;
    if (!FitCurve(freq, ohms, grid, fitRe, messages) || !FitCurve(freq, phase, grid, fitIm, messages)) return false;
    if (!AllFinite(fitRe) || !AllFinite(fitIm)) return false;
    re = std::move(fitRe);
    im = std::move(fitIm);
    return true;
}

bool LoadDriverResponse(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages) {
    EnsureAnalysisGrid(d);
    DataArray freq, level, phase;
    bool ok = ReadMeasurementFile(path, freq, level, phase, messages);
    if (ok) {
        drv.Acoustic.HilbertPhase = false;
        if (drv.Acoustic.Tails.HighFreq == 0.0) ApplyResponseTailDefaults(drv);
        ok = FitResponseOnGrid(std::move(freq), std::move(level), std::move(phase), d.Grid, drv.Acoustic.Response.Re,
                               drv.Acoustic.Response.Im, messages);
    }
    if (!ok) {
        SetDefaultResponse(drv);
        messages.ShowMessage(FileLoadErrorPrefix + path);
        drv.Acoustic.FRDFile.clear();
    }
    return ok;
}

bool LoadDriverImpedance(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages) {
    EnsureAnalysisGrid(d);
    DataArray freq, ohms, phase, re, im;
    bool ok = ReadMeasurementFile(path, freq, ohms, phase, messages) &&
              FitImpedanceOnGrid(std::move(freq), std::move(ohms), std::move(phase), d.Grid, re, im, messages);
    if (ok) {
        // Y = 1/Z; a zero impedance has no admittance.
        for (std::size_t k = 0; k < re.size() && ok; ++k) {
            const double a = re[k], b = im[k];
            const double m2 = a * a + b * b;
            if (m2 == 0.0 || !std::isfinite(m2)) {
                ok = false;
                break;
            }
            re[k] = a / m2;
            im[k] = -b / m2;
        }
        ok = ok && AllFinite(re) && AllFinite(im);
    }
    if (ok) {
        drv.Admittance.Re = std::move(re);
        drv.Admittance.Im = std::move(im);
    } else {
        messages.ShowMessage(FileLoadErrorPrefix + path);
        drv.ZMAFile.clear();
        SetDefaultImpedance(drv);
    }
    return ok;
}

bool LoadAcousticEffect(TDriver& drv, const std::string& path, MessageSink& messages) {
    DataArray grid;
    MakeLogGrid(grid);
    DataArray freq, level, phase, re, im;
    const bool ok = ReadMeasurementFile(path, freq, level, phase, messages) &&
                    FitResponseOnGrid(std::move(freq), std::move(level), std::move(phase), grid, re, im, messages);
    if (!ok) {
        messages.ShowMessage(FileLoadErrorPrefix + path);
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
    bool ok = ReadMeasurementFile(path, freq, value, ph, messages);
    if (ok) {
        ok = isImpedance
                 ? FitImpedanceOnGrid(std::move(freq), std::move(value), std::move(ph), privateGrid, re, im, messages)
                 : FitResponseOnGrid(std::move(freq), std::move(value), std::move(ph), privateGrid, re, im, messages);
    }
    if (!ok) {
        messages.ShowMessage(FileLoadErrorPrefix + path);
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
