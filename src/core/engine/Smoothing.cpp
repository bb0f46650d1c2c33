#include "engine/Smoothing.h"

#include <cmath>

#include "base/MessageSink.h"
#include "driverdata/FitCurve.h"
#include "engine/Complex.h"

namespace pelmo {

namespace {

struct TSmoother {
    double b0, b1, a1;
};

// First-order low-pass coefficients for cutoff fc (cycles per unit of t) at
// step t, by the bilinear transform with prewarping.
TSmoother MakeSmoother(double fc, double t) {
    const double w = 2.0 * Pi * fc;
    const double a = w / std::tan(Pi * fc * t);
    const double b = w / (w + a);
    return {b, b, -(w - a) / (w + a)};
}

void ForwardBackward(DataArray& x, const TSmoother& s) {
    const std::size_t n = x.size();
    if (n == 0) return;
    const double sum = s.b0 + s.b1 + s.a1;
    // Forward: y[i] = b0 x[i] + b1 x[i-1] + a1 y[i-1], written over x.
    double prevX = x[0];
    x[0] = x[0] * sum;
    for (std::size_t i = 1; i < n; ++i) {
        const double xi = x[i];
        x[i] = s.b0 * xi + s.b1 * prevX + s.a1 * x[i - 1];
        prevX = xi;
    }
    // Backward over the forward result.
    double prevY = x[n - 1];
    x[n - 1] = x[n - 1] * sum;
    for (std::size_t i = n - 1; i-- > 0;) {
        const double yi = x[i];
        x[i] = s.b0 * yi + s.b1 * prevY + s.a1 * x[i + 1];
        prevY = yi;
    }
}

constexpr int AuditoryPoints = 800;

}  // namespace

void SmoothOctave(DataArray& x, double width, double octavesPerStep) {
    const double fc = 1.0 / (width * 2.11 * Pi);
    ForwardBackward(x, MakeSmoother(fc, octavesPerStep));
}

const DataArray& AuditoryTable() {
    static const DataArray table = [] {
        DataArray e(AuditoryPoints);
        e[0] = 0.1;
        for (int i = 1; i < AuditoryPoints; ++i)
            e[static_cast<std::size_t>(i)] =
                (std::pow(10.0, i * 0.052132763454317894 * 0.04672897196261682) - 1.0) * 228.83295194508008;
        return e;
    }();
    return table;
}

void SmoothAuditory(DataArray& x, const DataArray& grid, DataArray& work) {
    static const TSmoother erb = MakeSmoother(0.45022614736038286, std::log2(std::exp(std::log(2000.0) / 799.0)));
    const DataArray& table = AuditoryTable();
    SilentMessageSink silent;  // the grid and the table are always long enough
    if (!FitCurve(grid, x, table, work, silent)) return;
    ForwardBackward(work, erb);
    FitCurve(table, work, grid, x, silent);
}

}  // namespace pelmo
