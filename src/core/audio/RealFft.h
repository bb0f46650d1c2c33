#pragma once

#include <complex>
#include <cstddef>
#include <memory>

// Real transforms of one length through FFTW, for the listening filters: the
// filter design and the block convolution. Buffers handed to a transform must
// come from AllocateReal / AllocateComplex (FFTW's alignment).

namespace pelmo {

using Complex = std::complex<double>;

struct TFftwFree {
    void operator()(void* p) const;
};
template <class T>
using TFftwBuffer = std::unique_ptr<T[], TFftwFree>;

TFftwBuffer<double> AllocateReal(std::size_t n);
TFftwBuffer<Complex> AllocateComplex(std::size_t n);

class TRealFft {
public:
    // n even, at least 2. Planning is serialised across threads (FFTW's
    // planner is not thread-safe); the transforms themselves may run on any
    // thread at the same time.
    explicit TRealFft(std::size_t n);
    ~TRealFft();
    TRealFft(const TRealFft&) = delete;
    TRealFft& operator=(const TRealFft&) = delete;

    std::size_t Size() const { return n_; }
    std::size_t Bins() const { return n_ / 2 + 1; }

    // n samples to bins 0 ... n/2: X[k] = sum x[t] e^(-2 pi i kt/n).
    void Forward(const double* in, Complex* out) const;
    // Bins 0 ... n/2 to n samples, unscaled (n times the inverse). Overwrites
    // `in`.
    void Inverse(Complex* in, double* out) const;

private:
    std::size_t n_;
    void* forward_ = nullptr;
    void* inverse_ = nullptr;
};

}  // namespace pelmo
