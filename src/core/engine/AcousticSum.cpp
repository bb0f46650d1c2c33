#include "engine/AcousticSum.h"

#include "base/Conversions.h"
#include "engine/Complex.h"
#include "model/Elements.h"

namespace pelmo {

void DriverPressure(const TDriver& drv, const TComplexArray& voltage, double levelRatio,
                    const std::vector<char>& solved, std::size_t k0, std::size_t k1, TComplexArray& pressure) {
    DriverPressure(drv, drv.Acoustic.Response, voltage, levelRatio, solved, k0, k1, pressure);
}

void DriverPressure(const TDriver& drv, const TComplexArray& response, const TComplexArray& voltage, double levelRatio,
                    const std::vector<char>& solved, std::size_t k0, std::size_t k1, TComplexArray& pressure) {
    const bool effect = !drv.Acoustic.AcousticEffect.empty();
    const TComplex gain{drv.Gain * levelRatio, 0.0};
    for (std::size_t k = k0; k < k1; ++k) {
        if (!solved[k]) continue;
        TComplex p = CMul(voltage.At(k), response.At(k));
        if (effect) p = CMul(p, drv.Acoustic.AcousticEffect.At(k));
        p = CMul(p, gain);
        pressure.Re[k] = p.re;
        pressure.Im[k] = p.im;
    }
}

void OnAxisContribution(const TComplexArray& pressure, const DataArray& grid, double delay, bool sourceInverted,
                        const std::vector<char>& solved, std::size_t k0, std::size_t k1, TMagPhase& contribution) {
    for (std::size_t k = k0; k < k1; ++k) {
        if (!solved[k]) continue;
        TPolar r = CToPolar(pressure.At(k));
        r.Phase = r.Phase - 360.0 * grid[k] * delay;
        if (sourceInverted) r.Phase = r.Phase + 180.0;
        contribution.Mag[k] = r.Mag;
        contribution.Phase[k] = WrapAngle(r.Phase);
    }
}

void SumContributions(const std::vector<TMagPhase>& contributions, std::size_t k0, std::size_t k1, TMagPhase& sum) {
    for (std::size_t k = k0; k < k1; ++k) {
        TComplex s = ComplexZero;
        for (const TMagPhase& c : contributions) s = CAdd(s, CFromPolar(c.Mag[k], c.Phase[k]));
        const TPolar p = CToPolar(s);
        sum.Mag[k] = p.Mag;
        sum.Phase[k] = p.Phase;
    }
}

}  // namespace pelmo
