#include "driverdata/MinimumPhase.h"

#include <algorithm>
#include <cmath>

#include "base/Conversions.h"
#include "base/MessageSink.h"
#include "base/WorkerPool.h"
#include "driverdata/Cepstrum.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/FitCurve.h"
#include "model/Design.h"
#include "model/Elements.h"

namespace pelmo {

namespace {

constexpr double RadToDeg = 180.0 / M_PI;

// 0 ... 192000 Hz in steps of 1.46484375 Hz; built once.
const DataArray& WorkingGrid() {
    static const DataArray grid = [] {
        DataArray f(WorkingBins);
        for (std::size_t k = 0; k < WorkingBins; ++k) f[k] = static_cast<double>(k) * WorkingStepHz;
        return f;
    }();
    return grid;
}

// The first KeptBins working frequencies, the abscissa of the read-back.
const DataArray& KeptGrid() {
    static const DataArray grid(WorkingGrid().begin(), WorkingGrid().begin() + KeptBins);
    return grid;
}

// Buffers of one reconstruction, kept between calls: fresh megabyte arrays
// cost more in page faults than the arithmetic on them.
struct Workspace {
    DataArray level, amplitude, lnAmplitude, kept, phase, keptPhase, magnitude, phaseOut;
};
Workspace& Work() {
    thread_local Workspace w;
    return w;
}

// The minimum phase (radians, unwrapped) of the working-grid amplitudes in
// w.amplitude, or of their logarithms in w.lnAmplitude, read back at the
// frequencies at into out (through FitCurve, which leaves out as it was
// should it fail).
enum class TSpectrum { Amplitude, LnAmplitude };
void PhaseAt(Workspace& w, TSpectrum given, const DataArray& at, DataArray& out, MessageSink& messages) {
    if (given == TSpectrum::LnAmplitude)
        CepstralMinimumPhaseOfLog(w.lnAmplitude, w.phase);
    else
        CepstralMinimumPhase(w.amplitude, w.phase);
    w.keptPhase.assign(w.phase.begin(), w.phase.begin() + KeptBins);
    UnwrapRadians(w.keptPhase);
    FitCurve(KeptGrid(), w.keptPhase, at, out, messages);
}

}  // namespace

bool MinimumPhaseResponseOfLevels(const DataArray& grid, const DataArray& levels, const TResponseTails& tails,
                                  DataArray& re, DataArray& im, MessageSink& messages) {
    const DataArray& f = WorkingGrid();
    Workspace& w = Work();
    DataArray& L = w.level;
    const std::size_t last = WorkingBins - 1;

    // Level in dB on the working grid; linear extrapolation outside the data,
    // mostly overwritten by the tails.
    L.assign(WorkingBins, 0.0);
    FitCurve(grid, levels, f, L, messages);

    // Lower tail, down to the first bin; 0 Hz gets nothing.
    const double lowF = tails.LowFreq == 0.0 && !grid.empty() ? grid.front() : tails.LowFreq;
    std::size_t iL = 0;
    while (iL < WorkingBins && !(f[iL] >= lowF)) ++iL;
    if (iL == WorkingBins) {
        messages.ShowMessage(PhaseRestoreAbortedText);
        return false;
    }
    const double sLo = std::fabs(tails.LowSlope), fL = f[iL], levelL = L[iL];
    for (std::size_t k = iL; k-- > 1;) L[k] = levelL + sLo * std::log2(f[k] / fL);
    L[0] = -200.0;

    // Upper tail, up to 192 kHz; where the two overlap the upper one wins.
    const double highF = tails.HighFreq == 0.0 ? 20000.0 : tails.HighFreq;
    std::size_t i = last;
    while (i > 1 && f[i] > highF) --i;
    if (i <= 1) {
        messages.ShowMessage(PhaseRestoreAbortedText);
        return false;
    }
    const double sHi = std::fabs(tails.HighSlope), fH = f[i], levelH = L[i];
    // The tail and the amplitudes bin by bin, shared out over the worker pool.
    TWorkerPool& pool = TWorkerPool::Shared();
    pool.ForRanges(last - i, 4096, [&](std::size_t b, std::size_t e) {
        for (std::size_t k = i + 1 + b; k < i + 1 + e; ++k) L[k] = levelH - sHi * std::log2(f[k] / fH);
    });
    L[last] = L[last - 1];

    // The transforms take the logarithm of the amplitude, straight from the
    // level; the amplitude itself is read back from the kept band only.
    w.lnAmplitude.resize(WorkingBins);
    pool.ForRanges(WorkingBins, 4096, [&](std::size_t b, std::size_t e) {
        for (std::size_t k = b; k < e; ++k) w.lnAmplitude[k] = DbToLn(L[k]);
    });
    w.kept.resize(KeptBins);
    w.kept[0] = 0.0;
    for (std::size_t k = 1; k < KeptBins; ++k) w.kept[k] = DbToLin(L[k]);

    // Magnitude and phase back onto the analysis grid from the kept band.
    w.magnitude.assign(grid.size(), 0.0);
    w.phaseOut.assign(grid.size(), 0.0);
    FitCurve(KeptGrid(), w.kept, grid, w.magnitude, messages);
    PhaseAt(w, TSpectrum::LnAmplitude, grid, w.phaseOut, messages);

    re.resize(grid.size());
    im.resize(grid.size());
    const double delayDegPerHz = tails.DelayInches * 360.0 / SpeedOfSoundInches;
    for (std::size_t j = 0; j < grid.size(); ++j) {
        const double deg = WrapAngle(w.phaseOut[j] * RadToDeg + (tails.Invert ? 180.0 : 0.0) - delayDegPerHz * grid[j]);
        const double rad = deg / RadToDeg;
        re[j] = w.magnitude[j] * std::cos(rad);
        im[j] = w.magnitude[j] * std::sin(rad);
    }
    return true;
}

bool LoadMinimumPhaseResponse(TDesign& d, TDriver& drv, const std::string& path, MessageSink& messages) {
    // The ordinary reader on a scratch driver: its messages, its low-end
    // extension and fit; no field of drv changes on the way.
    TDriver scratch;
    if (!LoadDriverResponse(d, scratch, path, messages)) return false;
    DataArray levels = std::move(scratch.Acoustic.Response.Re);
    DataArray phase = std::move(scratch.Acoustic.Response.Im);
    RectToPolar(levels, phase);  // the measured phase is not used
    if (!MinimumPhaseResponseOfLevels(d.Grid, levels, drv.Acoustic.Tails, drv.Acoustic.Response.Re,
                                      drv.Acoustic.Response.Im, messages))
        return false;
    drv.Acoustic.HilbertPhase = true;
    return true;
}

bool MinimumPhaseOfLevels(const DataArray& levels, DataArray& phase, const DataArray& freqs, double lowF, double highF,
                          double lowSlope, double highSlope, MessageSink& messages) {
    const std::size_t n = freqs.size();
    if (n < 2 || levels.size() != n) {
        messages.ShowMessage(CurveFitErrorText);
        return false;
    }
    DataArray F = freqs, L = levels;
    const double sLo = std::fabs(lowSlope), sHi = std::fabs(highSlope);
    auto abort = [&messages] {
        messages.ShowMessage(PhaseRestoreAbortedText);
        return false;
    };

    if (F[0] < 0.01) F[0] = F[1] / 2;

    // Lower tail on the given points, then a 1 Hz point in front.
    if (lowF == 0.0) lowF = F[0];
    std::size_t iL = 0;
    while (iL < n && !(F[iL] >= lowF)) ++iL;
    if (iL == n) return abort();
    const double fL = F[iL], levelL = L[iL];
    for (std::size_t k = iL; k-- > 0;) L[k] = levelL + sLo * std::log2(F[k] / fL);
    if (F[0] > 1.0) {
        F.insert(F.begin(), 1.0);
        L.insert(L.begin(), levelL + sLo * std::log2(1.0 / fL));
    }

    // Upper tail on the given points.
    if (highF == 0.0) highF = F.back();
    std::size_t i = F.size() - 1;
    while (i > 1 && F[i] > highF) --i;
    if (i <= 1) return abort();
    const double fH = F[i], levelH = L[i];
    for (std::size_t k = i + 1; k < F.size(); ++k) L[k] = levelH - sHi * std::log2(F[k] / fH);

    // Tail points every 1/6 octave up to 96 kHz, and one at 192 kHz or above.
    // Frequencies that never grow cannot get there.
    if (!(F.back() > 0.0) || !std::isfinite(F.back())) return abort();
    const double sixthOctave = std::exp2(1.0 / 6.0);
    while (F.back() < 96000.0) {
        const double fNew = F.back() * sixthOctave;
        F.push_back(fNew);
        L.push_back(levelH - sHi * std::log2(fNew / fH));
    }
    F.push_back(std::max(1.01 * F.back(), 192000.0));
    L.push_back(L.back());

    // Linear amplitude onto the working grid, then the phase back onto the
    // frequencies as given.
    for (double& l : L) l = DbToLin(l);
    Workspace& w = Work();
    w.amplitude.assign(WorkingBins, 0.0);
    FitCurve(F, L, WorkingGrid(), w.amplitude, messages);
    DataArray out = phase;
    PhaseAt(w, TSpectrum::Amplitude, freqs, out, messages);
    if (out.size() != n) return false;  // the fit failed and said so
    for (std::size_t j = 0; j < n; ++j) out[j] = WrapAngle(out[j] * RadToDeg);
    phase = std::move(out);
    return true;
}

}  // namespace pelmo
