#include "audio/RealFft.h"

#include <fftw3.h>

#include <mutex>
#include <new>
#include <stdexcept>

namespace pelmo {

namespace {

std::mutex& PlannerLock() {
    static std::mutex m;
    return m;
}

template <class T>
TFftwBuffer<T> Allocate(std::size_t n) {
    void* p = fftw_malloc(sizeof(T) * (n ? n : 1));
    if (!p) throw std::bad_alloc();
    T* t = static_cast<T*>(p);
    for (std::size_t i = 0; i < n; ++i) new (t + i) T();
    return TFftwBuffer<T>(t);
}

}  // namespace

void TFftwFree::operator()(void* p) const { fftw_free(p); }

TFftwBuffer<double> AllocateReal(std::size_t n) { return Allocate<double>(n); }
TFftwBuffer<Complex> AllocateComplex(std::size_t n) { return Allocate<Complex>(n); }

TRealFft::TRealFft(std::size_t n) : n_(n) {
    if (n < 2 || n % 2 != 0) throw std::invalid_argument("TRealFft: the length must be even");
    // The plans are made on scratch buffers of FFTW's alignment and run later
    // on other buffers of the same alignment.
    TFftwBuffer<double> real = AllocateReal(n);
    TFftwBuffer<Complex> bins = AllocateComplex(n / 2 + 1);
    auto* c = reinterpret_cast<fftw_complex*>(bins.get());
    const int len = static_cast<int>(n);
    std::lock_guard<std::mutex> lock(PlannerLock());
    forward_ = fftw_plan_dft_r2c_1d(len, real.get(), c, FFTW_ESTIMATE);
    inverse_ = fftw_plan_dft_c2r_1d(len, c, real.get(), FFTW_ESTIMATE);
    if (!forward_ || !inverse_) throw std::runtime_error("TRealFft: FFTW could not plan the transform");
}

TRealFft::~TRealFft() {
    std::lock_guard<std::mutex> lock(PlannerLock());
    if (forward_) fftw_destroy_plan(static_cast<fftw_plan>(forward_));
    if (inverse_) fftw_destroy_plan(static_cast<fftw_plan>(inverse_));
}

void TRealFft::Forward(const double* in, Complex* out) const {
    // FFTW's forward real transform leaves its input alone.
    fftw_execute_dft_r2c(static_cast<fftw_plan>(forward_), const_cast<double*>(in),
                         reinterpret_cast<fftw_complex*>(out));
}

void TRealFft::Inverse(Complex* in, double* out) const {
    fftw_execute_dft_c2r(static_cast<fftw_plan>(inverse_), reinterpret_cast<fftw_complex*>(in), out);
}

}  // namespace pelmo
