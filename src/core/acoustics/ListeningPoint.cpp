#include "acoustics/ListeningPoint.h"

#include <cmath>

#include "acoustics/Directivity.h"

namespace pelmo {

TVec3 ListeningPointM(const TListeningPoint& p) {
    const TVec3 u = ListeningDirection(p.HDeg, p.VDeg);
    return {p.DistanceM * u.x, p.DistanceM * u.y, p.DistanceM * u.z};
}

TDriverPath DriverPath(const TDriverGeometry& g, const TVec3& pointM, double distanceM) {
    const TVec3 c = DriverCentreM(g);
    const TVec3 d{pointM.x - c.x, pointM.y - c.y, pointM.z - c.z};
    double len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    TDriverPath path;
    if (!(len > 1e-9)) {
        // Nothing can be heard at the source itself; a millimetre in front
        // keeps the numbers finite.
        len = 1e-3;
        path.Local = {0.0, 0.0, 1.0};
    } else {
        path.Local = ToDriverFrame(g, TVec3{d.x / len, d.y / len, d.z / len});
    }
    path.DistanceM = len;
    path.Scale = 1.0 / len;
    path.DelayS = (len - distanceM) / SpeedOfSoundMps;
    return path;
}

namespace {

// The path factor at frequency f.
inline void PathFactorAt(const TDriverPath& path, double f, double& re, double& im) {
    const double phase = -2.0 * M_PI * path.DelayS * f;
    re = path.Scale * std::cos(phase);
    im = path.Scale * std::sin(phase);
}

}  // namespace

void PathFactors(const TDriverPath& path, const DataArray& grid, double* re, double* im) {
    for (std::size_t k = 0; k < grid.size(); ++k) PathFactorAt(path, grid[k], re[k], im[k]);
}

void ApplyPath(const TDriverPath& path, const DataArray& grid, double* re, double* im) {
    if (path.IsUnity()) return;
    for (std::size_t k = 0; k < grid.size(); ++k) {
        double fr, fi;
        PathFactorAt(path, grid[k], fr, fi);
        const double r = re[k];
        const double i = im[k];
        re[k] = r * fr - i * fi;
        im[k] = r * fi + i * fr;
    }
}

void ResponseAtPoint(const TDriverDirectivity& dir, const TDriverGeometry& g, const TListeningPoint& p,
                     TComplexArray& out) {
    const DataArray& grid = dir.Grid();
    out.Re.resize(grid.size());
    out.Im.resize(grid.size());
    const TDriverPath path = DriverPath(g, ListeningPointM(p), p.DistanceM);
    dir.ResponseAt(path.Local, out.Re.data(), out.Im.data());
    ApplyPath(path, grid, out.Re.data(), out.Im.data());
}

void ResponsesAtDirections(const TDriverDirectivity& dir, const TDriverGeometry& g, const TVec3* directions,
                           std::size_t count, double distanceM, double* re, double* im) {
    const DataArray& grid = dir.Grid();
    const std::size_t nf = grid.size();
    for (std::size_t n = 0; n < count; ++n) {
        const TVec3& u = directions[n];
        const TDriverPath path = DriverPath(g, {distanceM * u.x, distanceM * u.y, distanceM * u.z}, distanceM);
        dir.ResponseAt(path.Local, re + n * nf, im + n * nf);
        ApplyPath(path, grid, re + n * nf, im + n * nf);
    }
}

void AddDriverAtPositions(const double* re, const double* im, const double* factorRe, const double* factorIm,
                          std::size_t count, std::size_t nf, double* sumRe, double* sumIm) {
    for (std::size_t n = 0; n < count; ++n) {
        const double* r = re + n * nf;
        const double* i = im + n * nf;
        double* sr = sumRe + n * nf;
        double* si = sumIm + n * nf;
        for (std::size_t k = 0; k < nf; ++k) {
            sr[k] += r[k] * factorRe[k] - i[k] * factorIm[k];
            si[k] += r[k] * factorIm[k] + i[k] * factorRe[k];
        }
    }
}

}  // namespace pelmo
