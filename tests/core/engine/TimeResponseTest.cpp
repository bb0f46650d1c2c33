#include <gtest/gtest.h>

#include <cmath>

#include "engine/TimeResponse.h"
#include "model/AnalysisGrid.h"

using namespace pelmo;

namespace {

TEST(InterpolateAt, LogAndLinearGrids) {
    DataArray grid;
    MakeLogGrid(grid);
    DataArray lnf(grid.size());
    for (std::size_t k = 0; k < grid.size(); ++k) lnf[k] = 3 * std::log(grid[k]) + 1;
    for (double f : {10.0, 10.07, 123.4, 999.9, 19999.0, 20000.0, 5.0, 1.0})
        EXPECT_NEAR(InterpolateAt(grid, lnf, f), 3 * std::log(f) + 1, 1e-9) << f;
    EXPECT_EQ(InterpolateAt(grid, lnf, 30000), lnf.back());  // above the last: the last value
    EXPECT_EQ(InterpolateAt(grid, lnf, 0), lnf[0]);          // log of nothing: the first value

    const DataArray lin{0, 10, 20, 30};
    const DataArray y{1, 3, 2, 2};
    const struct { double f, want; } cases[] = {{0, 1}, {5, 2}, {15, 2.5}, {29.9, 2}, {45, 2}, {-5, 0}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(InterpolateAt(lin, y, c.f), c.want) << c.f;

    // Equal neighbours and absurd slopes give the value at the segment start.
    EXPECT_EQ(InterpolateAt(DataArray{0, 1, 1}, DataArray{0, 5, 7}, 1.5), 5);
    EXPECT_EQ(InterpolateAt(DataArray{0, 1e-30, 2}, DataArray{0, 1, 2}, 1e-31), 0);
    EXPECT_EQ(InterpolateAt(DataArray{}, DataArray{}, 1), 0);
}

}  // namespace
