#include "acoustics/BaffleDiffraction.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/Units.h"
#include "driverdata/DriverModel.h"

namespace pelmo {

namespace {

using cplx = std::complex<double>;
constexpr double Pi = std::numbers::pi;

// How the outline is cut. Between two nodes the path length of the edge
// sound is taken as a parabola along the outline (through the element's
// ends and middle), the weight as linear; the element's integral is exact
// for the straight part of the path and to first order in the bend. The cut
// keeps the bend's phase (k times the path's bow at the middle) below
// MaxPhaseError at the top frequency of a band, so that what the first order
// leaves out stays near 1e-3 of the edge sound. No element is longer than
// half its distance from the driver, so that the weights stay nearly linear.
constexpr double MaxPhaseError = 0.1;  // rad
constexpr int MinElementsPerSide = 4;
constexpr int MinElementsOnCircle = 16;
// A band serves the frequencies whose wavenumber lies within a factor
// BandRatio below its top: the phase error grows with k times the square of
// the element length, so each band needs half the elements of the band above.
constexpr double BandRatio = 4.0;
// Below this phase step across an element its integral is summed as a series
// (the closed form would lose digits to cancellation).
constexpr double SeriesBelow = 0.2;  // rad

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

// The direction cosines of a listening direction; multiples of 90 degrees
// come out exact, so that h = 90 lies exactly in the plane of the baffle.
double SinDeg(double deg) {
    const double r = std::remainder(deg, 360.0);
    if (r == 0 || r == 180 || r == -180) return 0;
    if (r == 90) return 1;
    if (r == -90) return -1;
    return std::sin(r * Pi / 180);
}
double CosDeg(double deg) { return SinDeg(deg + 90.0); }

// A rigid piston's far-field directivity 2 J1(x) / x.
double PistonDirectivity(double x) {
    if (std::abs(x) < 1e-4) return 1 - x * x / 8;
    return 2 * std::cyl_bessel_j(1.0, x) / x;
}

// cos and sin of phi, branch-free so that a loop over frequencies runs on
// vector registers: phi is brought into [-pi, pi], a quarter of it into
// [-pi/4, pi/4] where short series are exact to about 1e-12, and the angle is
// doubled twice. Good for |phi| below about 1e15.
inline void FastCosSin(double phi, double& c, double& s) {
    constexpr double InvTwoPi = 1.0 / (2 * Pi);
    constexpr double TwoPiHi = 6.28318530717958623200;  // 2 pi split in two for the reduction
    constexpr double TwoPiLo = 2.44929359829470635446e-16;
    constexpr double Round = 6755399441055744.0;  // 1.5 * 2^52: adding it rounds to an integer
    const double n = (phi * InvTwoPi + Round) - Round;
    const double x = ((phi - n * TwoPiHi) - n * TwoPiLo) * 0.25;
    const double x2 = x * x;
    double sn =
        x *
        (1 + x2 * (-1.0 / 6 + x2 * (1.0 / 120 + x2 * (-1.0 / 5040 + x2 * (1.0 / 362880 + x2 * (-1.0 / 39916800))))));
    double cs =
        1 + x2 * (-0.5 + x2 * (1.0 / 24 + x2 * (-1.0 / 720 +
                                                x2 * (1.0 / 40320 + x2 * (-1.0 / 3628800 + x2 * (1.0 / 479001600))))));
    for (int twice = 0; twice < 2; ++twice) {
        const double c2 = cs * cs - sn * sn;
        sn = 2 * cs * sn;
        cs = c2;
    }
    c = cs;
    s = sn;
}

// Positions along a stretch of length `length` (from 0, the end excluded)
// where no step is longer than step(l) at either end of it; at least
// minCount steps, all shrunk alike so that the last ends exactly at the end.
template <class StepFn>
std::vector<double> CutStretch(double length, int minCount, StepFn step) {
    std::vector<double> at{0.0};
    double l = 0;
    const double longest = length / minCount;
    auto bounded = [&](double x) {
        const double d = step(x);
        return d > 0 && d < longest ? d : longest;  // NaN too
    };
    for (;;) {
        const double d1 = bounded(l);
        l += std::min(d1, bounded(std::min(l + d1, length)));
        if (l >= length * (1 - 1e-12)) break;
        at.push_back(l);
    }
    const double shrink = length / l;
    for (double& x : at) x *= shrink;
    return at;
}

// The outline of the baffle cut for wavenumbers up to kTop, in metres relative
// to the driver's centre (sx, sy measured from the baffle's centre).
TBaffleDiffraction::TBand CutOutline(const TBaffle& baffle, double sx, double sy, double kTop) {
    TBaffleDiffraction::TBand band;
    auto& nodes = band.Nodes;
    // The weights of an element: angle per metre at its two ends, seen from
    // the driver, with the tangent of the outline there.
    auto weight = [](double x, double y, double tx, double ty) { return Cross(x, y, tx, ty) / (x * x + y * y); };
    auto addNode = [&](double x, double y) { nodes.push_back({x, y, std::hypot(x, y)}); };
    // Step length for the phase error allowed with the given curvature of
    // the path length along the outline.
    auto stepFor = [&](double rho, double curvature) {
        const double byPhase = curvature > 0 ? std::sqrt(8 * MaxPhaseError / (kTop * curvature)) : rho;
        return std::min(byPhase, rho / 2);
    };

    if (baffle.Shape == BaffleShape::Circle) {
        const double a = baffle.DiameterIn * MetresPerInch / 2;
        const double cx = -sx, cy = -sy;
        auto point = [&](double l, double& x, double& y) {
            x = cx + a * std::cos(l / a);
            y = cy + a * std::sin(l / a);
        };
        const std::vector<double> at = CutStretch(2 * Pi * a, MinElementsOnCircle, [&](double l) {
            double x, y;
            point(l, x, y);
            const double rho = std::hypot(x, y);
            // The distance to the driver bends at most by 1/rho + 1/a along a
            // circle, the projection on the listening direction by 1/a.
            return stepFor(rho, 1 / rho + 2 / a);
        });
        for (double l : at) {
            double x, y;
            point(l, x, y);
            addNode(x, y);
        }
        const std::size_t n = nodes.size();
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t j = (i + 1) % n;
            const double la = at[i], lb = j == 0 ? 2 * Pi * a : at[j];
            TBaffleDiffraction::TElement e{i, j, lb - la};
            point((la + lb) / 2, e.MidX, e.MidY);
            e.MidRho = std::hypot(e.MidX, e.MidY);
            e.Wa = weight(nodes[i].X, nodes[i].Y, -std::sin(la / a), std::cos(la / a));
            e.Wb = weight(nodes[j].X, nodes[j].Y, -std::sin(lb / a), std::cos(lb / a));
            band.Elements.push_back(e);
        }
    } else {
        const double w = baffle.WidthIn * MetresPerInch / 2, h = baffle.HeightIn * MetresPerInch / 2;
        // Corners counter-clockwise seen from the front, from the lower left.
        const double cx[4] = {-w - sx, w - sx, w - sx, -w - sx};
        const double cy[4] = {-h - sy, -h - sy, h - sy, h - sy};
        std::vector<std::size_t> sideStart;
        std::vector<double> sideTx, sideTy;
        for (int side = 0; side < 4; ++side) {
            const double ax = cx[side], ay = cy[side];
            const double bx = cx[(side + 1) % 4], by = cy[(side + 1) % 4];
            const double length = std::hypot(bx - ax, by - ay);
            const double tx = (bx - ax) / length, ty = (by - ay) / length;
            const double dPerp = std::abs(Cross(ax, ay, tx, ty));
            sideStart.push_back(nodes.size());
            sideTx.push_back(tx);
            sideTy.push_back(ty);
            for (double l : CutStretch(length, MinElementsPerSide, [&](double l) {
                     const double rho = std::hypot(ax + tx * l, ay + ty * l);
                     // Along a straight edge only the distance to the driver bends.
                     return stepFor(rho, dPerp * dPerp / (rho * rho * rho));
                 }))
                addNode(ax + tx * l, ay + ty * l);
        }
        const std::size_t n = nodes.size();
        for (std::size_t i = 0, side = 0; i < n; ++i) {
            if (side + 1 < 4 && i == sideStart[side + 1]) ++side;
            const std::size_t j = (i + 1) % n;
            const double tx = sideTx[side], ty = sideTy[side];
            TBaffleDiffraction::TElement e{i, j, std::hypot(nodes[j].X - nodes[i].X, nodes[j].Y - nodes[i].Y)};
            e.MidX = (nodes[i].X + nodes[j].X) / 2;
            e.MidY = (nodes[i].Y + nodes[j].Y) / 2;
            e.MidRho = std::hypot(e.MidX, e.MidY);
            e.Wa = weight(nodes[i].X, nodes[i].Y, tx, ty);
            e.Wb = weight(nodes[j].X, nodes[j].Y, tx, ty);
            band.Elements.push_back(e);
        }
    }
    // Each element gets exactly the angle it subtends (so that the outline
    // gets exactly one turn), over 2 pi.
    for (auto& e : band.Elements) {
        const TBaffleDiffraction::TNode &a = nodes[e.A], &b = nodes[e.B];
        const double angle = std::atan2(Cross(a.X, a.Y, b.X, b.Y), a.X * b.X + a.Y * b.Y);
        const double scale = angle / (e.Length * (e.Wa + e.Wb) / 2) / (2 * Pi);
        e.Wa *= scale;
        e.Wb *= scale;
    }
    return band;
}

std::string Positive(double x, const char* what) {
    return std::isfinite(x) && x > 0 ? std::string() : std::string(what) + " must be a number greater than 0.";
}

}  // namespace

std::optional<std::string> BaffleProblem(const TBaffle& baffle, const TBaffleSource& source) {
    double smallest = 0;  // the baffle's smallest size
    double edgeRoom = 0;  // from the driver's centre to the nearest edge
    const double x = source.XIn - baffle.CentreXIn, y = source.YIn - baffle.CentreYIn;
    if (baffle.Shape == BaffleShape::Circle) {
        if (auto e = Positive(baffle.DiameterIn, "The baffle's diameter"); !e.empty()) return e;
        smallest = baffle.DiameterIn;
        edgeRoom = baffle.DiameterIn / 2 - std::hypot(x, y);
    } else {
        if (auto e = Positive(baffle.WidthIn, "The baffle's width"); !e.empty()) return e;
        if (auto e = Positive(baffle.HeightIn, "The baffle's height"); !e.empty()) return e;
        smallest = std::min(baffle.WidthIn, baffle.HeightIn);
        edgeRoom = std::min(baffle.WidthIn / 2 - std::abs(x), baffle.HeightIn / 2 - std::abs(y));
    }
    // Sizes of a few hundred metres and more make no loudspeaker and would
    // cut the outline into too many elements.
    if (!(smallest * MetresPerInch <= 100) ||
        !(std::max({baffle.WidthIn, baffle.HeightIn, baffle.DiameterIn}) * MetresPerInch <= 100))
        return "The baffle must be at most 100 m across.";
    if (!(std::isfinite(baffle.RoundoverIn) && baffle.RoundoverIn >= 0 && baffle.RoundoverIn * 2 < smallest))
        return "The roundover radius must be a number from 0 to less than half the baffle's smallest size.";
    for (double v : {baffle.CentreXIn, baffle.CentreYIn, baffle.FrontZIn, source.XIn, source.YIn})
        if (!std::isfinite(v)) return "The positions must be numbers.";
    if (!(edgeRoom > smallest * 1e-6)) return "The driver's centre must lie inside the baffle, off its edge.";
    if (!(std::isfinite(source.DiameterIn) && source.DiameterIn >= 0))
        return "The driver's diameter must be a number not below 0.";
    if (source.DiameterIn / 2 > edgeRoom) return "The driver reaches over the edge of the baffle.";
    return std::nullopt;
}

TBaffleDiffraction::TBaffleDiffraction(const TBaffle& baffle, const TBaffleSource& source, const DataArray& freqs) {
    const double c = ModelSpeedOfSound;
    PistonRadius_ = source.DiameterIn * MetresPerInch / 2;
    SourceX_ = source.XIn * MetresPerInch;
    SourceY_ = source.YIn * MetresPerInch;
    FrontZ_ = baffle.FrontZIn * MetresPerInch;
    const double roundover = baffle.RoundoverIn * MetresPerInch;
    for (double f : freqs) {
        const double k = 2 * Pi * f / c;
        Wavenumber_.push_back(k);
        EdgeGain_.push_back(PistonDirectivity(k * PistonRadius_) / std::sqrt(1 + k * roundover * k * roundover));
    }
    if (freqs.empty()) return;
    const double sx = (source.XIn - baffle.CentreXIn) * MetresPerInch;
    const double sy = (source.YIn - baffle.CentreYIn) * MetresPerInch;
    // Bands from the top down, each from the highest frequency left down to a
    // quarter of its wavenumber.
    std::size_t end = freqs.size();
    while (end > 0) {
        const double kTop = Wavenumber_[end - 1];
        std::size_t first = end - 1;
        if (!(kTop > 0)) first = 0;  // not a frequency list this class serves; keeps the loop finite
        while (first > 0 && Wavenumber_[first - 1] > kTop / BandRatio) --first;
        TBand band = CutOutline(baffle, sx, sy, kTop);
        band.First = first;
        band.End = end;
        // Once the distance rule alone cuts the outline, lower bands are the same.
        if (!Bands_.empty() && Bands_.back().Nodes.size() == band.Nodes.size()) {
            Bands_.back().First = first;
        } else {
            Bands_.push_back(std::move(band));
        }
        end = first;
    }
}

std::size_t TBaffleDiffraction::ElementCount() const { return Bands_.empty() ? 0 : Bands_.front().Elements.size(); }

std::vector<std::complex<double>> TBaffleDiffraction::Factor(const TBaffleListener& listener) const {
    std::vector<std::complex<double>> out;
    Factor(listener, out);
    return out;
}

void TBaffleDiffraction::Factor(const TBaffleListener& listener, std::vector<std::complex<double>>& out) const {
    const std::size_t count = Wavenumber_.size();
    out.assign(count, cplx(0, 0));
    const double ux = SinDeg(listener.HDeg) * CosDeg(listener.VDeg);
    const double uy = SinDeg(listener.VDeg);
    const double uz = CosDeg(listener.HDeg) * CosDeg(listener.VDeg);
    const bool far = !(listener.DistanceM > 0);
    // The listener relative to the driver's centre (finite distance).
    const double px = listener.DistanceM * ux - SourceX_, py = listener.DistanceM * uy - SourceY_;
    const double pz = listener.DistanceM * uz - FrontZ_;
    const double r0 = std::sqrt(px * px + py * py + pz * pz);
    const double front = far ? uz : pz / r0;  // cosine of the angle off the driver's axis
    constexpr double InPlane = 1e-12;
    const double direct = front > InPlane ? 1.0 : front < -InPlane ? 0.0 : 0.5;
    const double edges = front > InPlane ? -0.5 : front < -InPlane ? 0.5 : 0.0;

    if (direct > 0) {
        const double sinTheta = std::sqrt(std::max(0.0, 1 - front * front));
        for (std::size_t k = 0; k < count; ++k)
            out[k] = direct * (PistonRadius_ > 0 ? PistonDirectivity(Wavenumber_[k] * PistonRadius_ * sinTheta) : 1.0);
    }
    if (edges == 0) return;

    std::vector<double> sumRe(count, 0.0), sumIm(count, 0.0);
    std::vector<double> aRe(count), aIm(count), bRe(count), bIm(count), zeroRe(count), zeroIm(count);
    std::vector<double> delta, amp;
    const double* wn = Wavenumber_.data();
    // The extra path over an edge point beyond the direct path, and the
    // spreading from there relative to the direct sound's.
    auto path = [&](double x, double y, double rho, double& d, double& a) {
        if (far) {
            d = rho - (x * ux + y * uy);
            a = 1;
        } else {
            const double s = std::max(1e-6, std::sqrt((px - x) * (px - x) + (py - y) * (py - y) + pz * pz));
            d = rho + s - r0;
            a = r0 / s;
        }
    };
    for (const TBand& band : Bands_) {
        delta.resize(band.Nodes.size());
        amp.resize(band.Nodes.size());
        for (std::size_t i = 0; i < band.Nodes.size(); ++i) {
            const TNode& n = band.Nodes[i];
            path(n.X, n.Y, n.Rho, delta[i], amp[i]);
        }
        const std::size_t k0 = band.First, k1 = band.End;
        auto phasors = [&](std::size_t node, double* re, double* im) {
            const double d = delta[node];
            for (std::size_t k = k0; k < k1; ++k) {
                double c, s;
                FastCosSin(wn[k] * d, c, s);
                re[k] = c;
                im[k] = -s;
            }
        };
        phasors(0, zeroRe.data(), zeroIm.data());
        std::copy(zeroRe.begin() + k0, zeroRe.begin() + k1, aRe.begin() + k0);
        std::copy(zeroIm.begin() + k0, zeroIm.begin() + k1, aIm.begin() + k0);
        for (const TElement& e : band.Elements) {
            const double* pbRe = zeroRe.data();
            const double* pbIm = zeroIm.data();
            if (e.B != 0) {
                phasors(e.B, bRe.data(), bIm.data());
                pbRe = bRe.data();
                pbIm = bIm.data();
            }
            // Along the element (t from 0 to 1) the path is taken as
            // da + step t + bulge t (1 - t), the weight as wa (1 - t) + wb t.
            // The integral of weight times exp(-j k path) is done exactly for
            // the straight part, and to first order in k bulge for the bend
            // (with the weight's mean); both as series for small phase steps,
            // where the closed forms would lose digits to cancellation.
            double dm, am;
            path(e.MidX, e.MidY, e.MidRho, dm, am);
            const double step = delta[e.B] - delta[e.A];
            const double bulge = 4 * (dm - (delta[e.A] + delta[e.B]) / 2);
            const double wa = e.Wa * amp[e.A] * e.Length, wb = e.Wb * amp[e.B] * e.Length;
            const double bend = bulge * (wa + wb) / 2;
            const std::size_t split =
                step == 0
                    ? k1
                    : std::max<std::size_t>(k0, std::lower_bound(wn + k0, wn + k1, SeriesBelow / std::abs(step)) - wn);
            // Series coefficients: the straight part sum z^n / n! (wa / ((n+1)(n+2)) + wb / (n+2)),
            // the bend sum z^n / n! / ((n+2)(n+3)), z = -j phi.
            double c[6], d[6];
            const double factorial[6] = {1, 1, 2, 6, 24, 120};
            for (int n = 0; n < 6; ++n) {
                c[n] = (wa / ((n + 1) * (n + 2)) + wb / (n + 2)) / factorial[n];
                d[n] = bend / ((n + 2) * (n + 3)) / factorial[n];
            }
            for (std::size_t k = k0; k < split; ++k) {
                const double p = wn[k] * step, p2 = p * p;
                // straight part, and the bend times -j k
                const double sr = c[0] + p2 * (-c[2] + p2 * c[4]);
                const double si = p * (-c[1] + p2 * (c[3] - p2 * c[5]));
                const double br = d[0] + p2 * (-d[2] + p2 * d[4]);
                const double bi = p * (-d[1] + p2 * (d[3] - p2 * d[5]));
                const double tr = sr + wn[k] * bi, ti = si - wn[k] * br;
                sumRe[k] += aRe[k] * tr - aIm[k] * ti;
                sumIm[k] += aRe[k] * ti + aIm[k] * tr;
            }
            const double invStep = step == 0 ? 0 : 1 / step;
            for (std::size_t k = split; k < k1; ++k) {
                const double inv = invStep / wn[k], inv2 = inv * inv;
                const double dRe = pbRe[k] - aRe[k], dIm = pbIm[k] - aIm[k];
                const double qRe = wb * pbRe[k] - wa * aRe[k], qIm = wb * pbIm[k] - wa * aIm[k];
                // Straight part: j Q / phi - (wa - wb) (Pb - Pa) / phi^2.
                double re = -qIm * inv - (wa - wb) * dRe * inv2;
                double im = qRe * inv - (wa - wb) * dIm * inv2;
                // Bend: -k bend (Pb (z - 2) + Pa (z + 2)) / phi^3 with z = -j phi,
                // that is -k bend (-j phi (Pb + Pa) - 2 (Pb - Pa)) / phi^3.
                const double sRe = pbRe[k] + aRe[k], sIm = pbIm[k] + aIm[k];
                const double g = -wn[k] * bend * inv2 * inv;
                const double phi = wn[k] * step;
                re += g * (phi * sIm - 2 * dRe);
                im += g * (-phi * sRe - 2 * dIm);
                sumRe[k] += re;
                sumIm[k] += im;
            }
            std::copy(pbRe + k0, pbRe + k1, aRe.begin() + k0);
            std::copy(pbIm + k0, pbIm + k1, aIm.begin() + k0);
        }
    }
    for (std::size_t k = 0; k < count; ++k) out[k] += edges * EdgeGain_[k] * cplx(sumRe[k], sumIm[k]);
}

std::vector<std::complex<double>> BaffleFactor(const TBaffle& baffle, const TBaffleSource& source,
                                               const TBaffleListener& listener, const DataArray& freqs) {
    return TBaffleDiffraction(baffle, source, freqs).Factor(listener);
}

}  // namespace pelmo
