#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/AudioFile.h"
#include "audio/BlockConvolver.h"
#include "audio/ListenFilter.h"

// Recordings played through a listening filter, offline: a whole stream in
// blocks (memory bounded by the filter, not by the recording), the output as
// long as the input and lined up with it (the filter's latency taken out).

namespace pelmo {

// Every channel through the same filter; without a filter the samples pass
// unchanged.
class TStreamFilter {
public:
    // `block` 0 chooses one from the filter's length.
    TStreamFilter(const TListenFilter* filter, int channels, std::size_t block = 0);
    std::size_t Block() const { return block_; }
    int Channels() const { return channels_; }
    std::size_t Latency() const { return latency_; }

    // Block() interleaved frames in, as many out, Latency() frames late.
    void Process(const double* in, double* out);

    // Reads frames until `read` gives fewer than asked, and writes exactly
    // as many, lined up. False when `write` fails.
    bool Run(const std::function<std::size_t(double* interleaved, std::size_t frames)>& read,
             const std::function<bool(const double* interleaved, std::size_t frames)>& write);

private:
    std::size_t block_;
    int channels_;
    std::size_t latency_ = 0;
    std::shared_ptr<const TFilterPartitions> partitions_;
    std::vector<std::unique_ptr<TBlockConvolver>> convolvers_;
    std::vector<double> in_, out_;
};

// Interleaved samples through a filter (null: unchanged), lined up and as
// long as the input.
std::vector<double> FilterSamples(const TListenFilter* filter, int channels, const std::vector<double>& interleaved,
                                  std::size_t block = 0);

struct TListenFileReport {
    TAudioInfo Input;
    int OutputFormat = 0;  // libsndfile's code
    TListenFilter Filter;  // empty when the recording passed unfiltered
    std::int64_t ClippedSamples = 0;
    double Peak = 0.0;  // the largest output sample (full scale 1)
};

// Plays the recording `in` through the response (null: unfiltered, as it
// is) into `out`, whose extension chooses WAV, FLAC or Ogg. The filter is
// built for the recording's sample rate with `options` (their rate is not
// used). False with the reason in `error`; a half-written output is removed.
bool ListenToFile(const std::string& in, const std::string& out, const TListenResponse* response,
                  const TListenFilterOptions& options, TListenFileReport& report, std::string& error);

}  // namespace pelmo
