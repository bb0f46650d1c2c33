// The measurement reader must take any text: it accepts or refuses the file,
// and what it accepts fits onto the grid as finite numbers or is refused.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "base/MessageSink.h"
#include "base/TextFile.h"
#include "driverdata/DriverLoad.h"
#include "driverdata/MeasurementFile.h"
#include "model/AnalysisGrid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmo;
    static const DataArray grid = [] {
        DataArray g;
        MakeLogGrid(g);
        return g;
    }();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DataArray f, v, p;
    if (!ParseMeasurementLines(SplitLines(text), f, v, p)) {
        if (!f.empty() || !v.empty()) __builtin_trap();
        return 0;
    }
    if (f.size() != v.size() || f.size() != p.size()) __builtin_trap();
    for (double x : f)
        if (!(x > 0) || !std::isfinite(x)) __builtin_trap();
    SilentMessageSink quiet;
    DataArray re, im;
    if (FitResponseOnGrid(f, v, p, grid, re, im, quiet)) {
        if (re.size() != grid.size() || im.size() != grid.size()) __builtin_trap();
        for (std::size_t k = 0; k < re.size(); ++k)
            if (!std::isfinite(re[k]) || !std::isfinite(im[k])) __builtin_trap();
    }
    if (FitImpedanceOnGrid(f, v, p, grid, re, im, quiet)) {
        for (std::size_t k = 0; k < re.size(); ++k)
            if (!std::isfinite(re[k]) || !std::isfinite(im[k])) __builtin_trap();
    }
    return 0;
}
