#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "audio/RealFft.h"

// Convolution of a stream with a long FIR, block by block (uniformly
// partitioned overlap-save): the filter is cut into partitions of one block,
// each transformed once; every block of input is transformed once and kept
// in a delay line of spectra, and each output block is the sum of the delay
// line times the partitions. Memory stays bounded whatever the length of the
// stream, and since the delay line does not depend on the filter, a new
// filter takes over at the next block with the right output at once.

namespace pelmo {

// The partitions of one filter for one block length (immutable; shared
// between the channels and threads that use it).
class TFilterPartitions {
public:
    TFilterPartitions(const std::vector<double>& taps, std::size_t block);
    std::size_t Block() const { return block_; }
    std::size_t Count() const { return count_; }
    std::size_t Length() const { return length_; }  // taps
    // Bins 0 ... block of partition p, scaled for the unscaled inverse.
    const Complex* Partition(std::size_t p) const { return spectra_.data() + p * (block_ + 1); }

private:
    std::size_t block_;
    std::size_t count_;
    std::size_t length_;
    std::vector<Complex> spectra_;
};

class TBlockConvolver {
public:
    // `maxPartitions`: the longest filter this convolver will be given, in
    // partitions (its delay line holds as many input blocks).
    TBlockConvolver(std::size_t block, std::size_t maxPartitions);
    std::size_t Block() const { return block_; }
    std::size_t MaxPartitions() const { return capacity_; }

    // The filter from the next block on; null plays silence. With
    // `crossfade` that block fades linearly from the old filter's output to
    // the new one's. False (and nothing changes) for a filter of another
    // block length or longer than the delay line.
    bool SetFilter(std::shared_ptr<const TFilterPartitions> filter, bool crossfade);
    const std::shared_ptr<const TFilterPartitions>& Filter() const { return filter_; }

    // One block in, one block out (`in` and `out` may be the same).
    void Process(const double* in, double* out);
    // Forgets the input so far (silence before the next block).
    void Reset();

private:
    void Accumulate(const TFilterPartitions& f, double* out);

    std::size_t block_;
    std::size_t capacity_;
    TRealFft fft_;
    TFftwBuffer<double> window_;    // the last two input blocks
    TFftwBuffer<double> time_;      // the inverse transform's output
    TFftwBuffer<Complex> sum_;      // the output block's spectrum
    std::vector<Complex> history_;  // capacity_ spectra of block_ + 1 bins
    std::size_t newest_ = 0;        // slot of the newest input spectrum
    TFftwBuffer<Complex> input_;    // the newest spectrum, as transformed
    std::shared_ptr<const TFilterPartitions> filter_;
    std::shared_ptr<const TFilterPartitions> fadingOut_;
    bool fading_ = false;
    std::vector<double> old_;
};

}  // namespace pelmo
