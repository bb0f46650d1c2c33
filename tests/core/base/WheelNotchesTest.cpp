#include <gtest/gtest.h>

#include <vector>

#include "base/WheelNotches.h"

using namespace pelmo;

// Turns of a wheel, one after another, and the notches each gives.
TEST(WheelNotches, PartTurnsAddUpAndTheRestKeepsItsDirection) {
    const struct {
        const char* what;
        std::vector<int> deltas, notches;
    } cases[] = {
        {"whole notches", {120, 240, -120}, {1, 2, -1}},
        {"a fine wheel in quarters", {30, 30, 30, 30, 30}, {0, 0, 0, 1, 0}},
        {"a reversal cancels what was collected", {90, -90, -120}, {0, 0, -1}},
        {"a part notch after a fast turn", {300, 60}, {2, 1}},
        {"away from the user past zero", {-60, -100, -80}, {0, -1, -1}},
    };
    for (const auto& c : cases) {
        int collected = 0;
        std::vector<int> got;
        for (int d : c.deltas) got.push_back(TakeWheelNotches(collected, d));
        EXPECT_EQ(got, c.notches) << c.what;
        EXPECT_LT(collected < 0 ? -collected : collected, 120) << c.what;
    }
}
