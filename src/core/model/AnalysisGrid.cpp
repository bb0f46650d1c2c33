#include "model/AnalysisGrid.h"

#include <cmath>

#include "model/Design.h"

namespace pelmo {

double MakeLogGrid(DataArray& grid) {
    const double r = std::exp(std::log(AnalysisHighHz / AnalysisLowHz) / (AnalysisPoints - 1));
    grid.resize(AnalysisPoints);
    grid[0] = AnalysisLowHz;
    for (int k = 1; k < AnalysisPoints - 1; ++k) grid[k] = grid[k - 1] * r;
    grid[AnalysisPoints - 1] = AnalysisHighHz;
    return std::log2(r);
}

void EnsureAnalysisGrid(TDesign& d) {
    if (d.Grid.size() != AnalysisPoints) d.OctavesPerStep = MakeLogGrid(d.Grid);
}

void SetDefaultResponse(TDriver& drv) { drv.Acoustic.Response.assign(AnalysisPoints, {std::pow(10.0, 3.5), 0.0}); }

void SetDefaultImpedance(TDriver& drv) { drv.Admittance.assign(AnalysisPoints, {0.125, 0.0}); }

}  // namespace pelmo
