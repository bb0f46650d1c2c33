#include "engine/DirectionalSum.h"

#include <cmath>

#include "acoustics/ListeningPoint.h"
#include "engine/Complex.h"
#include "model/Design.h"

namespace pelmo {

void DriverDrives(const TDesign& d, const TSolveResult& r, std::vector<TComplexArray>& drives) {
    const std::size_t nf = r.Grid.size();
    const std::size_t drivers = std::min(d.Drivers.size(), r.DriverVoltage.size());
    drives.resize(drivers);
    for (std::size_t i = 0; i < drivers; ++i) {
        const TDriver& drv = *d.Drivers[i];
        const TComplexArray& v = r.DriverVoltage[i];
        TComplexArray& out = drives[i];
        out.Re.assign(nf, 0.0);
        out.Im.assign(nf, 0.0);
        const bool effect = !drv.Acoustic.AcousticEffect.empty();
        const double gain = drv.Gain * r.Levels.LevelRatio;
        const double delay = d.OverallDelay + drv.DelaySeconds;
        const double turn = d.Source.Inverted ? -1.0 : 1.0;
        for (std::size_t k = 0; k < nf; ++k) {
            if (k >= r.FrequencySolved.size() || !r.FrequencySolved[k]) continue;
            TComplex p = v.At(k);
            if (effect) p = CMul(p, drv.Acoustic.AcousticEffect.At(k));
            const double phase = -2.0 * Pi * r.Grid[k] * delay;
            p = CMul(p, {turn * gain * std::cos(phase), turn * gain * std::sin(phase)});
            out.Re[k] = p.re;
            out.Im[k] = p.im;
        }
    }
}

void SumAtDirections(const TDirectionalResponses& set, const std::vector<TComplexArray>& drives, int driver,
                     DataArray& re, DataArray& im) {
    const std::size_t nf = set.Nf;
    const std::size_t count = set.Directions.size();
    re.assign(count * nf, 0.0);
    im.assign(count * nf, 0.0);
    const std::size_t drivers = std::min({drives.size(), set.Re.size(), set.Im.size()});
    for (std::size_t i = 0; i < drivers; ++i) {
        if (driver >= 0 && static_cast<std::size_t>(driver) != i) continue;
        const TComplexArray& f = drives[i];
        if (f.Re.size() < nf || f.Im.size() < nf || set.Re[i].size() < count * nf) continue;
        AddDriverAtPositions(set.Re[i].data(), set.Im[i].data(), f.Re.data(), f.Im.data(), count, nf, re.data(),
                             im.data());
    }
}

void PressuresAtDirections(const TDesign& d, const TSolveResult& r, TDirectivityCache& cache,
                           const std::vector<TVec3>& directions, double distanceM, int driver, TDirectionalWork& work,
                           MessageSink& messages) {
    const TDirectionalResponses& set = cache.AtDirections(d, r.Grid, directions, distanceM, messages);
    DriverDrives(d, r, work.Drives);
    SumAtDirections(set, work.Drives, driver, work.Re, work.Im);
}

void SpinoramaOf(const TDesign& d, const TSolveResult& r, TDirectivityCache& cache, double distanceM, int driver,
                 TDirectionalWork& work, MessageSink& messages, TSpinorama& out) {
    const auto& cta = CtaDirections();
    work.Directions.assign(cta.begin(), cta.end());
    PressuresAtDirections(d, r, cache, work.Directions, distanceM, driver, work, messages);
    ComputeSpinorama(work.Re.data(), work.Im.data(), r.Grid.size(), distanceM, out);
}

void PowerAndDiOf(const TDesign& d, const TSolveResult& r, TDirectivityCache& cache, TPowerWeighting weighting,
                  double stepDeg, double distanceM, int driver, TDirectionalWork& work, MessageSink& messages,
                  TPowerAndDi& out) {
    const std::size_t nf = r.Grid.size();
    if (weighting == TPowerWeighting::Cta2034) {
        const auto& cta = CtaDirections();
        work.Directions.assign(cta.begin(), cta.end());
        PressuresAtDirections(d, r, cache, work.Directions, distanceM, driver, work, messages);
        const auto& w = CtaPowerWeights();
        PowerAndDiWeighted(work.Re.data(), work.Im.data(), nf, w.data(), w.size(), distanceM, out);
        return;
    }
    work.Directions = PlaneDirections(stepDeg);
    PressuresAtDirections(d, r, cache, work.Directions, distanceM, driver, work, messages);
    PowerAndDi(work.Re.data(), work.Im.data(), nf, stepDeg, distanceM, out);
}

}  // namespace pelmo
