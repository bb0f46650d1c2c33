#pragma once

#include <cmath>
#include <vector>

// Per-frequency arrays and the complex number record shared by the whole engine.

namespace pelmo {

// One entry per frequency of the analysis grid.
using DataArray = std::vector<double>;

struct TComplex {
    double re = 0.0;
    double im = 0.0;
    friend bool operator==(const TComplex&, const TComplex&) = default;
};

// Real and imaginary part of a complex quantity on the analysis grid.
struct TComplexArray {
    DataArray Re;
    DataArray Im;
    bool empty() const { return Re.empty(); }
    // Entry k; zero where either part has no entry k.
    TComplex At(std::size_t k) const { return k < Re.size() && k < Im.size() ? TComplex{Re[k], Im[k]} : TComplex{}; }
    void clear() {
        Re.clear();
        Im.clear();
    }
    void assign(std::size_t n, TComplex v) {
        Re.assign(n, v.re);
        Im.assign(n, v.im);
    }
    friend bool operator==(const TComplexArray&, const TComplexArray&) = default;
};

}  // namespace pelmo
