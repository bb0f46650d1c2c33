#include "acoustics/SoundPower.h"

#include <algorithm>
#include <cmath>

namespace pelmo {

namespace {

int StepsPerHalfTurn(double stepDeg) {
    if (!(stepDeg > 0.0) || !std::isfinite(stepDeg)) return 18;
    return static_cast<int>(std::clamp(std::nearbyint(180.0 / stepDeg), 1.0, 3600.0));
}

}  // namespace

double PlaneStepDeg(double stepDeg) { return 180.0 / StepsPerHalfTurn(stepDeg); }

std::vector<TPlanePosition> PlanePositions(double stepDeg) {
    const int n = StepsPerHalfTurn(stepDeg);
    const double s = 180.0 / n;
    std::vector<TPlanePosition> p;
    p.reserve(static_cast<std::size_t>(4 * n - 2));
    for (int i = 0; i <= n; ++i) p.push_back({TPlane::Horizontal, i == n ? 180.0 : i * s});
    for (int i = 1; i < n; ++i) p.push_back({TPlane::Horizontal, -i * s});
    for (int i = 1; i < n; ++i) p.push_back({TPlane::Vertical, i * s});
    for (int i = 1; i < n; ++i) p.push_back({TPlane::Vertical, -i * s});
    return p;
}

std::vector<TVec3> PlaneDirections(double stepDeg) {
    std::vector<TVec3> d;
    for (const TPlanePosition& p : PlanePositions(stepDeg)) d.push_back(PlaneDirection(p.Plane, p.AngleDeg));
    return d;
}

std::vector<double> SectorWeights(double stepDeg) {
    const std::vector<TPlanePosition> positions = PlanePositions(stepDeg);
    const double half = 0.5 * PlaneStepDeg(stepDeg) * M_PI / 180.0;
    std::vector<double> w;
    w.reserve(positions.size());
    for (const TPlanePosition& p : positions) {
        const double a = std::fabs(p.AngleDeg) * M_PI / 180.0;
        // Ring between a - half and a + half: (cos(a - half) - cos(a + half)) / 2
        // of the sphere; a cap of half-angle `half`: (1 - cos half) / 2.
        if (a < half) {
            w.push_back(0.5 * (1.0 - std::cos(half)));
        } else if (a > M_PI - half) {
            w.push_back(0.5 * (1.0 - std::cos(half)));
        } else {
            w.push_back(0.125 * (std::cos(a - half) - std::cos(a + half)));
        }
    }
    return w;
}

void WeightedPower(const double* re, const double* im, std::size_t positions, std::size_t nf, const double* weights,
                   double* power) {
    double total = 0.0;
    for (std::size_t n = 0; n < positions; ++n) total += weights[n];
    std::fill(power, power + nf, 0.0);
    for (std::size_t n = 0; n < positions; ++n) {
        const double w = weights[n] / total;
        const double* r = re + n * nf;
        const double* i = im + n * nf;
        for (std::size_t k = 0; k < nf; ++k) power[k] += w * (r[k] * r[k] + i[k] * i[k]);
    }
}

double EnergyToDb(double energy) { return energy > 1e-40 ? 10.0 * std::log10(energy) : -400.0; }

void PowerAndDi(const double* re, const double* im, std::size_t nf, double stepDeg, double distanceM,
                TPowerAndDi& out) {
    const std::vector<double> w = SectorWeights(stepDeg);
    PowerAndDiWeighted(re, im, nf, w.data(), w.size(), distanceM, out);
}

void PowerAndDiWeighted(const double* re, const double* im, std::size_t nf, const double* weights,
                        std::size_t positions, double distanceM, TPowerAndDi& out) {
    const double toOneMetre = distanceM > 0.0 ? 20.0 * std::log10(distanceM) : 0.0;
    out.OnDb.resize(nf);
    out.PowerDb.resize(nf);
    out.DiDb.resize(nf);
    WeightedPower(re, im, positions, nf, weights, out.PowerDb.data());
    for (std::size_t k = 0; k < nf; ++k) {
        // Position 0 is on axis.
        out.OnDb[k] = EnergyToDb(re[k] * re[k] + im[k] * im[k]) + toOneMetre;
        out.PowerDb[k] = EnergyToDb(out.PowerDb[k]) + toOneMetre;
        out.DiDb[k] = out.OnDb[k] - out.PowerDb[k];
    }
}

}  // namespace pelmo
