#include "engine/DerivedResponses.h"

#include <cmath>

#include "engine/Complex.h"
#include "engine/Smoothing.h"
#include "engine/Sweep.h"

namespace pelmo {

void LookbackImpedance(const TDriver& drv, const TComplexArray& voltage, const std::vector<char>& solved,
                       const TComplexArray& lookbackVoltage, const std::vector<char>& lookbackSolved, TLookback& out) {
    const std::size_t n = solved.size();
    out.Impedance.assign(n, ComplexZero);
    out.Known.assign(n, 0);
    out.Stopped = false;
    bool haveV1 = false;
    TComplex v1 = ComplexZero;
    for (std::size_t k = 0; k < n && !out.Stopped; ++k) {
        if (lookbackSolved[k]) {
            v1 = lookbackVoltage.At(k);
            haveV1 = true;
            if (std::fabs(v1.re) < 1e-20 && std::fabs(v1.im) < 1e-20) {
                out.Stopped = true;
                break;
            }
        }
        if (!solved[k] || !haveV1) continue;
        const TComplex v = voltage.At(k);
        if (v.re == v1.re && v.im == v1.im) {
            out.Stopped = true;
            break;
        }
        const TComplex z = CDiv(ComplexOne, DriverAdmittance(drv, static_cast<int>(k)));
        const TComplex ratio = CSub(CDiv(CMul({1.01, 0.0}, v), v1), ComplexOne);
        const TComplex zlb = CMul(z, CSub(CDiv({0.01, 0.0}, ratio), ComplexOne));
        out.Impedance.Re[k] = zlb.re;
        out.Impedance.Im[k] = zlb.im;
        out.Known[k] = 1;
    }
}

bool GroupDelay(const DataArray& grid, double octavesPerStep, const DataArray& phase, DataArray& work,
                DataArray& delay) {
    const DataArray& f = grid;
    const std::size_t n = f.size();
    if (phase.size() < n || n < 3) return false;
    DataArray& phi = work;
    phi.assign(phase.begin(), phase.begin() + static_cast<std::ptrdiff_t>(n));
    UnwrapPhase(phi);
    SmoothOctave(phi, 1.0 / 6.0, octavesPerStep);
    DataArray& tau = delay;
    tau.assign(n, 0.0);
    for (std::size_t k = 1; k + 1 < n; ++k) {
        const double t = -(phi[k + 1] - phi[k - 1]) / (f[k + 1] - f[k - 1]);
        tau[k] = 1000000.0 * t / 360.0;
    }
    tau[0] = tau[1];
    tau[n - 1] = tau[n - 2];
    SmoothOctave(tau, 1.0 / 6.0, octavesPerStep);
    return true;
}

}  // namespace pelmo
