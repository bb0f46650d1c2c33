#include "acoustics/Cta2034.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace pelmo {

namespace {

// The energy sums the 70 positions feed.
enum TSum : std::uint8_t { SumOn, SumLw, SumSp, SumFloor, SumCeiling, SumFront, SumSide, SumRear, SumCount };

struct TShare {
    TSum Sum = SumSp;
    double Coef = 0.0;
};

// What one position adds to which sums: at most four shares.
struct TRow {
    std::array<TShare, 4> Shares{};
    int Count = 0;
    void Add(TSum s, double c) { Shares[static_cast<std::size_t>(Count++)] = {s, c}; }
};

// Part of the sphere between the planes through the orbit's axis at lo and
// hi degrees, inside the orbit's own wedge.
double WedgeSlice(double loDeg, double hiDeg) {
    const double r = M_PI / 180.0;
    return (std::asin(std::cos(loDeg * r) / M_SQRT2) - std::asin(std::cos(hiDeg * r) / M_SQRT2)) / (2.0 * M_PI);
}

const std::array<TRow, CtaPositionCount>& Rows() {
    static const std::array<TRow, CtaPositionCount> rows = [] {
        std::array<TRow, CtaPositionCount> r{};
        const auto& weights = CtaPowerWeights();
        double total = 0.0;
        for (double w : weights) total += w;
        const auto& positions = CtaPositions();
        for (std::size_t n = 0; n < CtaPositionCount; ++n) {
            TRow& row = r[n];
            const int a = static_cast<int>(std::lround(positions[n].AngleDeg));
            const int m = std::abs(a);
            row.Add(SumSp, weights[n] / total);
            if (positions[n].Plane == TPlane::Horizontal) {
                if (a == 0) row.Add(SumOn, 1.0);
                if (m <= 30) row.Add(SumLw, 1.0 / 9.0);  // H 0 is the window's V 0
                if (m <= 30) row.Add(SumFront, 1.0 / 7.0);
                if (m >= 40 && m <= 80) row.Add(SumSide, 1.0 / 10.0);
                if (m == 90 || m == 180) row.Add(SumRear, 1.0 / 3.0);
            } else {
                if (m == 10) row.Add(SumLw, 1.0 / 9.0);
                if (a <= -20 && a >= -40) row.Add(SumFloor, 1.0 / 3.0);
                if (a >= 40 && a <= 60) row.Add(SumCeiling, 1.0 / 3.0);
            }
        }
        return r;
    }();
    return rows;
}

template <typename EnergyAt>
void Spinorama(std::size_t nf, double distanceM, TSpinorama& out, EnergyAt energyAt) {
    std::array<DataArray*, SumCount> sums{&out.On,      &out.ListeningWindow, &out.SoundPower, &out.Floor,
                                          &out.Ceiling, &out.FrontWall,       &out.SideWall,   &out.RearWall};
    for (DataArray* s : sums) s->assign(nf, 0.0);
    out.EarlyReflections.resize(nf);
    out.PredictedInRoom.resize(nf);
    out.Spdi.resize(nf);
    DataArray& energy = out.Erdi;  // scratch until the end
    energy.resize(nf);
    double* e = energy.data();

    const auto& rows = Rows();
    for (std::size_t n = 0; n < CtaPositionCount; ++n) {
        energyAt(n, e);
        const TRow& row = rows[n];
        for (int c = 0; c < row.Count; ++c) {
            const TShare& share = row.Shares[static_cast<std::size_t>(c)];
            double* acc = sums[share.Sum]->data();
            const double coef = share.Coef;
            for (std::size_t k = 0; k < nf; ++k) acc[k] += coef * e[k];
        }
    }

    const double toOneMetre = distanceM > 0.0 ? 20.0 * std::log10(distanceM) : 0.0;
    auto db = [toOneMetre](double energyValue) { return EnergyToDb(energyValue) + toOneMetre; };
    for (std::size_t k = 0; k < nf; ++k) {
        const double er = 0.2 * (out.Floor[k] + out.Ceiling[k] + out.FrontWall[k] + out.SideWall[k] + out.RearWall[k]);
        const double lw = out.ListeningWindow[k];
        const double sp = out.SoundPower[k];
        const double pir = 0.12 * lw + 0.44 * er + 0.44 * sp;
        out.On[k] = db(out.On[k]);
        out.ListeningWindow[k] = db(lw);
        out.EarlyReflections[k] = db(er);
        out.SoundPower[k] = db(sp);
        out.PredictedInRoom[k] = db(pir);
        out.Floor[k] = db(out.Floor[k]);
        out.Ceiling[k] = db(out.Ceiling[k]);
        out.FrontWall[k] = db(out.FrontWall[k]);
        out.SideWall[k] = db(out.SideWall[k]);
        out.RearWall[k] = db(out.RearWall[k]);
        out.Erdi[k] = out.ListeningWindow[k] - out.EarlyReflections[k];
        out.Spdi[k] = out.ListeningWindow[k] - out.SoundPower[k];
    }
}

}  // namespace

const std::array<TPlanePosition, CtaPositionCount>& CtaPositions() {
    static const std::array<TPlanePosition, CtaPositionCount> positions = [] {
        std::array<TPlanePosition, CtaPositionCount> p{};
        const std::vector<TPlanePosition> v = PlanePositions(10.0);
        for (std::size_t n = 0; n < CtaPositionCount; ++n) p[n] = v[n];
        return p;
    }();
    return positions;
}

const std::array<TVec3, CtaPositionCount>& CtaDirections() {
    static const std::array<TVec3, CtaPositionCount> directions = [] {
        std::array<TVec3, CtaPositionCount> d{};
        for (std::size_t n = 0; n < CtaPositionCount; ++n)
            d[n] = PlaneDirection(CtaPositions()[n].Plane, CtaPositions()[n].AngleDeg);
        return d;
    }();
    return directions;
}

int CtaPositionIndex(TPlane plane, int angleDeg) {
    int a = angleDeg % 360;
    if (a > 180) a -= 360;
    if (a <= -180) a += 360;
    if (a % 10 != 0) return -1;
    if (plane == TPlane::Vertical && (a == 0 || a == 180)) plane = TPlane::Horizontal;
    if (plane == TPlane::Horizontal) return a >= 0 ? a / 10 : 18 + (-a) / 10;
    return a > 0 ? 35 + a / 10 : 52 + (-a) / 10;
}

const std::array<double, CtaPositionCount>& CtaPowerWeights() {
    static const std::array<double, CtaPositionCount> weights = [] {
        std::array<double, CtaPositionCount> w{};
        for (std::size_t n = 0; n < CtaPositionCount; ++n) {
            const double a = std::fabs(CtaPositions()[n].AngleDeg);
            w[n] = WedgeSlice(std::max(a - 5.0, 0.0), std::min(a + 5.0, 180.0));
        }
        return w;
    }();
    return weights;
}

void ComputeSpinorama(const double* re, const double* im, std::size_t nf, double distanceM, TSpinorama& out) {
    Spinorama(nf, distanceM, out, [&](std::size_t n, double* e) {
        const double* r = re + n * nf;
        const double* i = im + n * nf;
        for (std::size_t k = 0; k < nf; ++k) e[k] = r[k] * r[k] + i[k] * i[k];
    });
}

void ComputeSpinoramaFromLevels(const double* levelsDb, std::size_t nf, double distanceM, TSpinorama& out) {
    constexpr double DbToLnEnergy = M_LN10 / 10.0;
    Spinorama(nf, distanceM, out, [&](std::size_t n, double* e) {
        const double* l = levelsDb + n * nf;
        for (std::size_t k = 0; k < nf; ++k) e[k] = std::exp(l[k] * DbToLnEnergy);
    });
}

}  // namespace pelmo
