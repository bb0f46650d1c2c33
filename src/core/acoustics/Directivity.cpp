#include "acoustics/Directivity.h"

#include <algorithm>
#include <cmath>

#include "acoustics/Piston.h"

namespace pelmo {

namespace {

// Angles closer than this are the same angle: directions computed from
// coordinates miss a measured angle by rounding errors only.
constexpr double SameAngleDeg = 1e-6;

// The floor of levels in dB, as the conversions of the measurement data have it.
constexpr double SmallestAmplitude = 1e-20;

constexpr double DbToNeper = M_LN10 / 20.0;

// x wrapped into [-pi, pi].
double WrapRad(double x) { return x - 2.0 * M_PI * std::nearbyint(x / (2.0 * M_PI)); }

// An angle in degrees brought into (-180, 180].
double NormaliseDeg(double a) {
    a = std::fmod(a, 360.0);
    if (a > 180.0) a -= 360.0;
    if (a <= -180.0) a += 360.0;
    return a;
}

// Level (dB) and phase (radians) of one plane's answer at one frequency.
struct TPolarValue {
    double Db = 0.0;
    double Rad = 0.0;
};

}  // namespace

void TDriverDirectivity::MakePolar(TEntry& e) {
    const std::size_t n = e.Re.size();
    e.LevelDb.resize(n);
    e.PhaseRad.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double m = std::sqrt(e.Re[k] * e.Re[k] + e.Im[k] * e.Im[k]);
        e.LevelDb[k] = 20.0 * std::log10(std::max(m, SmallestAmplitude));
        e.PhaseRad[k] = std::atan2(e.Im[k], e.Re[k]);
    }
}

TDriverDirectivity::TDriverDirectivity(const DataArray& grid) : grid_(grid) {
    onAxis_.Re.assign(grid.size(), 1.0);
    onAxis_.Im.assign(grid.size(), 0.0);
    MakePolar(onAxis_);
    horizontal_.Entries.push_back(onAxis_);
    vertical_.Entries.push_back(onAxis_);
}

TDriverDirectivity::TDriverDirectivity(const DataArray& grid, const TComplexArray& onAxis, double diaIn, bool round,
                                       const std::vector<TMeasuredAngle>& measured)
    : grid_(grid), diaIn_(diaIn > 0.0 ? diaIn : 0.0) {
    const std::size_t n = grid.size();
    onAxis_.Re = onAxis.Re;
    onAxis_.Im = onAxis.Im;
    onAxis_.Re.resize(n);
    onAxis_.Im.resize(n);
    MakePolar(onAxis_);

    // The measured angles of each plane; of two files at the same angle the
    // first counts.
    auto collect = [&](TPlane plane, std::vector<TEntry>& out) {
        for (const TMeasuredAngle& m : measured) {
            if (m.Plane != plane || !std::isfinite(m.AngleDeg)) continue;
            if (m.Response.Re.size() != n || m.Response.Im.size() != n) continue;
            const double a = NormaliseDeg(m.AngleDeg);
            if (std::fabs(a) <= SameAngleDeg) continue;  // on axis: the driver's own response
            const bool known = std::any_of(out.begin(), out.end(),
                                           [&](const TEntry& e) { return std::fabs(e.AngleDeg - a) <= SameAngleDeg; });
            if (known) continue;
            TEntry e;
            e.AngleDeg = a;
            e.Re = m.Response.Re;
            e.Im = m.Response.Im;
            MakePolar(e);
            out.push_back(std::move(e));
        }
    };
    std::vector<TEntry> h, v;
    collect(TPlane::Horizontal, h);
    collect(TPlane::Vertical, v);
    horizontal_.Source = h.empty() ? TPlaneSource::Piston : TPlaneSource::Measured;
    vertical_.Source = v.empty() ? TPlaneSource::Piston : TPlaneSource::Measured;
    if (round && h.empty() && !v.empty()) {
        h = v;
        horizontal_.Source = TPlaneSource::Borrowed;
    } else if (round && v.empty() && !h.empty()) {
        v = h;
        vertical_.Source = TPlaneSource::Borrowed;
    }

    auto finish = [&](TPlaneSet& set, std::vector<TEntry>& entries) {
        const bool anyPositive =
            std::any_of(entries.begin(), entries.end(), [](const TEntry& e) { return e.AngleDeg > 0; });
        const bool anyNegative =
            std::any_of(entries.begin(), entries.end(), [](const TEntry& e) { return e.AngleDeg < 0; });
        set.Symmetric = !(anyPositive && anyNegative);
        set.OnNegativeSide = anyNegative && !anyPositive;
        set.Entries = std::move(entries);
        set.Entries.push_back(onAxis_);
        std::sort(set.Entries.begin(), set.Entries.end(),
                  [](const TEntry& a, const TEntry& b) { return a.AngleDeg < b.AngleDeg; });
        set.AllRound = std::fabs(set.Entries.back().AngleDeg - 180.0) <= SameAngleDeg;
    };
    finish(horizontal_, h);
    finish(vertical_, v);
}

std::vector<double> TDriverDirectivity::Angles(TPlane plane) const {
    std::vector<double> a;
    for (const TEntry& e : Plane(plane).Entries) a.push_back(e.AngleDeg);
    return a;
}

TDriverDirectivity::TLookup TDriverDirectivity::Find(const TPlaneSet& set, double angleDeg) const {
    TLookup r;
    if (!std::isfinite(angleDeg)) return r;
    double a = NormaliseDeg(angleDeg);
    if (set.Symmetric) a = set.OnNegativeSide ? -std::fabs(a) : std::fabs(a);
    const std::vector<TEntry>& e = set.Entries;
    // -180 and 180 are one direction.
    if (set.AllRound && a <= -180.0 + SameAngleDeg) a = 180.0;
    const auto it = std::lower_bound(e.begin(), e.end(), a - SameAngleDeg,
                                     [](const TEntry& x, double v) { return x.AngleDeg < v; });
    if (it != e.end() && std::fabs(it->AngleDeg - a) <= SameAngleDeg) {
        r.kind = TLookup::Kind::Exact;
        r.a = &*it;
        return r;
    }
    if (it != e.begin() && it != e.end()) {
        r.kind = TLookup::Kind::Between;
        r.a = &*(it - 1);
        r.b = &*it;
        r.t = (a - r.a->AngleDeg) / (r.b->AngleDeg - r.a->AngleDeg);
        return r;
    }
    if (!set.Symmetric && set.AllRound && a < e.front().AngleDeg) {
        // Through the back: from 180 on to the lowest angle (taken + 360).
        r.kind = TLookup::Kind::Between;
        r.a = &e.back();
        r.b = &e.front();
        r.t = (a + 360.0 - 180.0) / (e.front().AngleDeg + 360.0 - 180.0);
        return r;
    }
    return r;  // beyond the measured angles: the piston
}

void TDriverDirectivity::ResponseAt(const TVec3& local, double* re, double* im) const {
    const std::size_t n = grid_.size();
    const double x = local.x, y = local.y;
    const double across = x * x + y * y;
    auto copy = [&](const TEntry& e) {
        std::copy(e.Re.begin(), e.Re.end(), re);
        std::copy(e.Im.begin(), e.Im.end(), im);
    };
    if (across == 0.0 && local.z >= 0.0) {
        copy(onAxis_);
        return;
    }
    const double theta = AngleFromAxisDeg(local);
    // Straight behind lies on both planes; the horizontal one answers.
    const double wh = across == 0.0 ? 1.0 : x * x / across;
    const double wv = across == 0.0 ? 0.0 : y * y / across;
    const TLookup lh = wh > 0.0 ? Find(horizontal_, x < 0.0 ? -theta : theta) : TLookup{};
    const TLookup lv = wv > 0.0 ? Find(vertical_, y < 0.0 ? -theta : theta) : TLookup{};
    if (wv == 0.0 && lh.kind == TLookup::Kind::Exact) return copy(*lh.a);
    if (wh == 0.0 && lv.kind == TLookup::Kind::Exact) return copy(*lv.a);

    // The piston's factor at grid index k (the same in every plane).
    const bool behind = theta > 90.0 + 1e-9;
    const double perHz =
        2.0 * M_PI / SpeedOfSoundMps * (0.5 * diaIn_ * MetresPerInch) * std::sin(std::min(theta, 90.0) * M_PI / 180.0);
    auto piston = [&](std::size_t k) {
        if (diaIn_ <= 0.0) return 1.0;
        return behind ? PistonBehindFactor : PistonFactor(perHz * grid_[k]);
    };
    const bool hPiston = wh == 0.0 || lh.kind == TLookup::Kind::Piston;
    const bool vPiston = wv == 0.0 || lv.kind == TLookup::Kind::Piston;
    if (hPiston && vPiston) {
        for (std::size_t k = 0; k < n; ++k) {
            const double f = piston(k);
            re[k] = onAxis_.Re[k] * f;
            im[k] = onAxis_.Im[k] * f;
        }
        return;
    }

    auto value = [&](const TLookup& l, std::size_t k) -> TPolarValue {
        switch (l.kind) {
            case TLookup::Kind::Exact:
                return {l.a->LevelDb[k], l.a->PhaseRad[k]};
            case TLookup::Kind::Between: {
                const double db = (1.0 - l.t) * l.a->LevelDb[k] + l.t * l.b->LevelDb[k];
                const double rad = l.a->PhaseRad[k] + l.t * WrapRad(l.b->PhaseRad[k] - l.a->PhaseRad[k]);
                return {db, rad};
            }
            case TLookup::Kind::Piston:
            default: {
                const double f = piston(k);
                return {onAxis_.LevelDb[k] + 20.0 * std::log10(std::max(std::fabs(f), SmallestAmplitude)),
                        onAxis_.PhaseRad[k] + (f < 0.0 ? M_PI : 0.0)};
            }
        }
    };
    for (std::size_t k = 0; k < n; ++k) {
        TPolarValue p;
        if (wv == 0.0) {
            p = value(lh, k);
        } else if (wh == 0.0) {
            p = value(lv, k);
        } else {
            const TPolarValue ph = value(lh, k);
            const TPolarValue pv = value(lv, k);
            p.Db = wh * ph.Db + wv * pv.Db;
            p.Rad = ph.Rad + wv * WrapRad(pv.Rad - ph.Rad);
        }
        const double m = std::exp(p.Db * DbToNeper);
        re[k] = m * std::cos(p.Rad);
        im[k] = m * std::sin(p.Rad);
    }
}

}  // namespace pelmo
