#include "audio/BlockConvolver.h"

#include <algorithm>
#include <stdexcept>

namespace pelmo {

TFilterPartitions::TFilterPartitions(const std::vector<double>& taps, std::size_t block)
    : block_(block), count_(std::max<std::size_t>(1, (taps.size() + block - 1) / block)), length_(taps.size()) {
    if (block < 1) throw std::invalid_argument("TFilterPartitions: empty block");
    TRealFft fft(2 * block);
    TFftwBuffer<double> chunk = AllocateReal(2 * block);
    TFftwBuffer<Complex> bins = AllocateComplex(block + 1);
    spectra_.resize(count_ * (block + 1));
    // The inverse transform is unscaled: 1 / (2 block) goes into the filter.
    const double scale = 1.0 / static_cast<double>(2 * block);
    for (std::size_t p = 0; p < count_; ++p) {
        std::fill(chunk.get(), chunk.get() + 2 * block, 0.0);
        for (std::size_t i = 0; i < block && p * block + i < taps.size(); ++i) chunk[i] = taps[p * block + i] * scale;
        fft.Forward(chunk.get(), bins.get());
        std::copy(bins.get(), bins.get() + block + 1, spectra_.begin() + static_cast<std::ptrdiff_t>(p * (block + 1)));
    }
}

TBlockConvolver::TBlockConvolver(std::size_t block, std::size_t maxPartitions)
    : block_(block),
      capacity_(std::max<std::size_t>(1, maxPartitions)),
      fft_(2 * block),
      window_(AllocateReal(2 * block)),
      time_(AllocateReal(2 * block)),
      sum_(AllocateComplex(block + 1)),
      history_(capacity_ * (block + 1)),
      input_(AllocateComplex(block + 1)),
      old_(block) {}

bool TBlockConvolver::SetFilter(std::shared_ptr<const TFilterPartitions> filter, bool crossfade) {
    if (filter && (filter->Block() != block_ || filter->Count() > capacity_)) return false;
    fadingOut_ = crossfade ? filter_ : nullptr;
    fading_ = crossfade && filter_ != filter;
    filter_ = std::move(filter);
    return true;
}

void TBlockConvolver::Reset() {
    std::fill(window_.get(), window_.get() + 2 * block_, 0.0);
    std::fill(history_.begin(), history_.end(), Complex());
    fadingOut_ = nullptr;
    fading_ = false;
}

void TBlockConvolver::Accumulate(const TFilterPartitions& f, double* out) {
    const std::size_t bins = block_ + 1;
    Complex* y = sum_.get();
    std::fill(y, y + bins, Complex());
    // The products are written out so that no library call checks for
    // infinities on every bin.
    auto* acc = reinterpret_cast<double*>(y);
    for (std::size_t p = 0; p < f.Count(); ++p) {
        const std::size_t slot = (newest_ + capacity_ - p) % capacity_;
        const auto* x = reinterpret_cast<const double*>(history_.data() + slot * bins);
        const auto* hp = reinterpret_cast<const double*>(f.Partition(p));
        for (std::size_t k = 0; k < 2 * bins; k += 2) {
            acc[k] += x[k] * hp[k] - x[k + 1] * hp[k + 1];
            acc[k + 1] += x[k] * hp[k + 1] + x[k + 1] * hp[k];
        }
    }
    fft_.Inverse(y, time_.get());
    std::copy(time_.get() + block_, time_.get() + 2 * block_, out);
}

void TBlockConvolver::Process(const double* in, double* out) {
    std::copy(window_.get() + block_, window_.get() + 2 * block_, window_.get());
    std::copy(in, in + block_, window_.get() + block_);
    fft_.Forward(window_.get(), input_.get());
    newest_ = (newest_ + 1) % capacity_;
    std::copy(input_.get(), input_.get() + block_ + 1,
              history_.begin() + static_cast<std::ptrdiff_t>(newest_ * (block_ + 1)));

    if (fading_ && fadingOut_)
        Accumulate(*fadingOut_, old_.data());
    else if (fading_)
        std::fill(old_.begin(), old_.end(), 0.0);
    if (filter_)
        Accumulate(*filter_, out);
    else
        std::fill(out, out + block_, 0.0);
    if (fading_) {
        const double step = 1.0 / static_cast<double>(block_);
        for (std::size_t i = 0; i < block_; ++i) {
            const double w = static_cast<double>(i + 1) * step;
            out[i] = w * out[i] + (1.0 - w) * old_[i];
        }
        fading_ = false;
        fadingOut_ = nullptr;
    }
}

}  // namespace pelmo
