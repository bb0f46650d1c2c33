#include "optimize/OptimizeTargets.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "base/MessageSink.h"
#include "base/Text.h"
#include "driverdata/MeasurementFile.h"

namespace pelmo {

double FilterLevelDb(TAlignment a, TPassKind pass, double f, double corner) {
    if (!(f > 0) || !(corner > 0)) return 0.0;
    // The magnitude squared of the low-pass at w; the high-pass is the same
    // at 1/w.
    double w = f / corner;
    if (pass == TPassKind::HighPass) w = 1.0 / w;
    const double w2 = w * w;
    double mag2 = 1.0;
    switch (a) {
        case TAlignment::LR2:
            mag2 = 1.0 / ((1.0 + w2) * (1.0 + w2));
            break;
        case TAlignment::LR4: {
            const double b = 1.0 + w2 * w2;
            mag2 = 1.0 / (b * b);
            break;
        }
        case TAlignment::BW2:
            mag2 = 1.0 / (1.0 + w2 * w2);
            break;
        case TAlignment::BW3:
            mag2 = 1.0 / (1.0 + w2 * w2 * w2);
            break;
    }
    return 10.0 * std::log10(mag2);
}

std::optional<TAlignment> ParseAlignment(const std::string& text) {
    for (TAlignment a : {TAlignment::LR2, TAlignment::LR4, TAlignment::BW2, TAlignment::BW3})
        if (SameTextIgnoringCase(text, AlignmentName(a))) return a;
    return std::nullopt;
}

const char* AlignmentName(TAlignment a) {
    switch (a) {
        case TAlignment::LR2:
            return "LR2";
        case TAlignment::LR4:
            return "LR4";
        case TAlignment::BW2:
            return "BW2";
        case TAlignment::BW3:
            return "BW3";
    }
    return "LR4";
}

double DriverTargetShapeDb(const TDriverTarget& t, double f) {
    double db = 0.0;
    if (t.HighPass) db += FilterLevelDb(t.HighPass->Alignment, TPassKind::HighPass, f, t.HighPass->Corner);
    if (t.LowPass) db += FilterLevelDb(t.LowPass->Alignment, TPassKind::LowPass, f, t.LowPass->Corner);
    return db;
}

bool TargetCurveFromPoints(const DataArray& freq, const DataArray& db, const DataArray& grid, TSumTarget& target) {
    target.CurveDb.assign(grid.size(), 0.0);
    target.CurveCovers.assign(grid.size(), 0);
    std::vector<std::size_t> order;
    const std::size_t n = std::min(freq.size(), db.size());
    for (std::size_t i = 0; i < n; ++i)
        if (std::isfinite(freq[i]) && freq[i] > 0 && std::isfinite(db[i])) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return freq[a] < freq[b]; });
    // One point per frequency: the first in the file.
    DataArray lf, level;
    double last = 0.0;
    for (std::size_t i : order) {
        if (freq[i] <= last) continue;
        last = freq[i];
        lf.push_back(std::log(freq[i]));
        level.push_back(db[i]);
    }
    if (lf.size() < 2) return false;
    bool any = false;
    std::size_t j = 0;
    for (std::size_t k = 0; k < grid.size(); ++k) {
        if (!(grid[k] > 0)) continue;
        const double x = std::log(grid[k]);
        if (x < lf.front() || x > lf.back()) continue;
        while (j + 2 < lf.size() && lf[j + 1] < x) ++j;
        const double t = (x - lf[j]) / (lf[j + 1] - lf[j]);
        target.CurveDb[k] = level[j] + std::clamp(t, 0.0, 1.0) * (level[j + 1] - level[j]);
        target.CurveCovers[k] = 1;
        any = true;
    }
    return any;
}

bool ReadTargetCurve(const std::string& path, const DataArray& grid, TSumTarget& target, MessageSink& messages) {
    DataArray freq, db, phase;
    if (!ReadMeasurementFile(path, freq, db, phase, messages)) return false;
    target.CurveFile = path;
    if (!TargetCurveFromPoints(freq, db, grid, target)) {
        messages.ShowMessage("No usable points in " + MeasurementFileTitle(path));
        return false;
    }
    return true;
}

}  // namespace pelmo
