#include "driverdata/FitCurve.h"

#include <algorithm>

#include "base/MessageSink.h"
#include "base/WorkerPool.h"

namespace pelmo {

namespace {

inline double Safe(double d) { return d == 0.0 ? 1e30 : d; }

// Slope at an interior point: the harmonic mean of the neighbouring secants,
// 0 at a local extremum or a flat neighbour. End points have no slope of
// their own (0 here; the end-segment rule replaces it).
double InteriorSlope(const DataArray& x, const DataArray& y, std::size_t l, std::size_t m) {
    if (l == 0 || l >= m) return 0.0;
    const double dr = y[l + 1] - y[l];
    const double dl = y[l] - y[l - 1];
    if (dr == 0.0 || dl == 0.0 || dr * dl < 0.0) return 0.0;
    return 2.0 / (Safe(x[l + 1] - x[l]) / dr + Safe(x[l] - x[l - 1]) / dl);
}

// The segment x[j-1] ... x[j] holding `at` (x[0] <= at <= x[m], m >= 1).
std::size_t Segment(const DataArray& x, std::size_t m, double at) {
    std::size_t lo = 0, hi = m, j = 0;
    while (hi - lo >= 2) {
        const std::size_t mid = (lo + hi) / 2;
        if (at < x[mid])
            hi = mid;
        else
            lo = mid;
        j = mid;
    }
    if (at > x[j]) ++j;
    if (j == 0) j = 1;  // only when at equals x[0] of a two-point curve
    return j;
}

// Segment() for points that mostly follow each other upward: from the
// segment of the last point (`hint`), walking up while the data lie below.
// Where `at` lies strictly inside a segment that segment is the only answer
// Segment() can give; any other case (a tie with a data point, a step back,
// data not strictly ascending) is left to Segment() itself.
std::size_t SegmentFrom(const DataArray& x, std::size_t m, double at, bool ascending, std::size_t& hint) {
    if (ascending && hint >= 1 && hint <= m && x[hint - 1] < at) {
        std::size_t j = hint;
        while (j < m && x[j] <= at) ++j;
        if (x[j - 1] < at && at < x[j]) return hint = j;
    }
    return hint = Segment(x, m, at);
}

// The slopes at both ends of segment j (m >= 2).
void SegmentSlopes(const DataArray& x, const DataArray& y, std::size_t m, std::size_t j, double& d0, double& d1) {
    d0 = InteriorSlope(x, y, j - 1, m);
    d1 = InteriorSlope(x, y, j, m);
    if (j == 1) d0 = 1.5 * (y[1] - y[0]) / Safe(x[1] - x[0]) - 0.5 * d1;
    if (j == m) d1 = 1.5 * (y[m] - y[m - 1]) / Safe(x[m] - x[m - 1]) - 0.5 * d0;
}

double OnSegment(const DataArray& x, const DataArray& y, std::size_t j, double d0, double d1, double at) {
    const double h = x[j] - x[j - 1];
    const double a = (x[j] - at) / h;
    const double b = 1.0 - a;
    const double delta = y[j] - y[j - 1];
    return a * y[j - 1] + b * y[j] + (a * a * a - a) / 6.0 * (6.0 * delta - 2.0 * h * (2.0 * d0 + d1)) +
           (b * b * b - b) / 6.0 * (2.0 * h * (2.0 * d1 + d0) - 6.0 * delta);
}

// Outside the data, and every point of a two-point curve (neither end has a
// slope of its own, and the two end rules taken together give both ends the
// secant slope): a straight line. False when `at` needs the cubic.
bool OnLine(const DataArray& x, const DataArray& y, std::size_t m, double at, double& value) {
    const bool below = at < x[0];
    if (!below && !(at > x[m]) && m != 1) return false;
    const std::size_t j = below ? 1 : m;
    const double s = (y[j] - y[j - 1]) / Safe(x[j] - x[j - 1]);
    value = at * s + (y[j] - s * x[j]);
    return true;
}

}  // namespace

double FitPoint(const DataArray& x, const DataArray& y, double at) {
    const std::size_t n = std::min(x.size(), y.size());
    if (n == 0) return 0.0;
    if (n == 1) return y[0];
    const std::size_t m = n - 1;
    double value;
    if (OnLine(x, y, m, at, value)) return value;
    const std::size_t j = Segment(x, m, at);
    double d0, d1;
    SegmentSlopes(x, y, m, j, d0, d1);
    return OnSegment(x, y, j, d0, d1, at);
}

bool FitCurve(const DataArray& x, const DataArray& y, const DataArray& xNew, DataArray& yNew, MessageSink& messages) {
    const std::size_t n = std::min(x.size(), y.size());
    if (xNew.size() < 3 || n < 2) {
        messages.ShowMessage(CurveFitErrorText);
        return false;
    }
    yNew.resize(xNew.size());
    // Points that follow each other mostly fall into the same segment: its
    // slopes are worked out once. Each point's value depends on its segment
    // alone, so a long run of points is shared out over the worker pool.
    const std::size_t m = n - 1;
    bool ascending = true;
    for (std::size_t i = 1; i <= m && ascending; ++i) ascending = x[i - 1] < x[i];
    auto fit = [&](std::size_t begin, std::size_t end) {
        std::size_t slopesOf = 0;  // no segment yet
        std::size_t hint = 0;
        double d0 = 0.0, d1 = 0.0;
        for (std::size_t k = begin; k < end; ++k) {
            const double at = xNew[k];
            if (OnLine(x, y, m, at, yNew[k])) continue;
            const std::size_t j = SegmentFrom(x, m, at, ascending, hint);
            if (j != slopesOf) {
                SegmentSlopes(x, y, m, j, d0, d1);
                slopesOf = j;
            }
            yNew[k] = OnSegment(x, y, j, d0, d1, at);
        }
    };
    constexpr std::size_t SharedFrom = 65536;
    if (xNew.size() >= SharedFrom)
        TWorkerPool::Shared().ForRanges(xNew.size(), 4096, fit);
    else
        fit(0, xNew.size());
    return true;
}

}  // namespace pelmo
