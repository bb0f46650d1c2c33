#include "audio/FilterFile.h"

#include <algorithm>
#include <filesystem>

namespace pelmo {

namespace {

constexpr std::size_t MinBlock = 1024;
constexpr std::size_t MaxBlock = 65536;
constexpr std::size_t UnfilteredBlock = 8192;

std::size_t BlockFor(const TListenFilter* filter) {
    if (!filter) return UnfilteredBlock;
    // One or two partitions: the fewest operations per sample.
    std::size_t b = MinBlock;
    while (b < filter->Taps.size() && b < MaxBlock) b <<= 1;
    return b;
}

bool SamePlace(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

}  // namespace

TStreamFilter::TStreamFilter(const TListenFilter* filter, int channels, std::size_t block)
    : block_(block ? block : BlockFor(filter)), channels_(std::max(channels, 1)) {
    in_.resize(block_);
    out_.resize(block_);
    if (!filter) return;
    latency_ = filter->Latency;
    partitions_ = std::make_shared<const TFilterPartitions>(filter->Taps, block_);
    convolvers_.reserve(static_cast<std::size_t>(channels_));
    for (int c = 0; c < channels_; ++c) {
        convolvers_.push_back(std::make_unique<TBlockConvolver>(block_, partitions_->Count()));
        convolvers_.back()->SetFilter(partitions_, false);
    }
}

void TStreamFilter::Process(const double* in, double* out) {
    const auto ch = static_cast<std::size_t>(channels_);
    if (convolvers_.empty()) {
        std::copy(in, in + block_ * ch, out);
        return;
    }
    for (std::size_t c = 0; c < ch; ++c) {
        for (std::size_t i = 0; i < block_; ++i) in_[i] = in[i * ch + c];
        convolvers_[c]->Process(in_.data(), out_.data());
        for (std::size_t i = 0; i < block_; ++i) out[i * ch + c] = out_[i];
    }
}

bool TStreamFilter::Run(const std::function<std::size_t(double*, std::size_t)>& read,
                        const std::function<bool(const double*, std::size_t)>& write) {
    const auto ch = static_cast<std::size_t>(channels_);
    std::vector<double> in(block_ * ch), out(block_ * ch);
    std::size_t inputFrames = 0;  // read so far
    std::size_t produced = 0;     // frames out of the filter so far
    std::size_t written = 0;
    bool ended = false;
    while (!ended || written < inputFrames) {
        std::size_t got = 0;
        if (!ended) {
            got = read(in.data(), block_);
            ended = got < block_;
            inputFrames += got;
        }
        std::fill(in.begin() + static_cast<std::ptrdiff_t>(got * ch), in.end(), 0.0);
        Process(in.data(), out.data());
        // Output frame o is filter frame o + latency.
        const std::size_t from = std::max(produced, latency_);
        produced += block_;
        if (produced <= from) continue;
        const std::size_t first = from - latency_;
        std::size_t count = produced - from;
        if (ended) count = std::min(count, inputFrames - std::min(inputFrames, first));
        if (count && !write(out.data() + (from - (produced - block_)) * ch, count)) return false;
        written += count;
        if (ended && written >= inputFrames) break;
    }
    return true;
}

std::vector<double> FilterSamples(const TListenFilter* filter, int channels, const std::vector<double>& interleaved,
                                  std::size_t block) {
    TStreamFilter s(filter, channels, block);
    const auto ch = static_cast<std::size_t>(s.Channels());
    const std::size_t frames = interleaved.size() / ch;
    std::vector<double> result;
    result.reserve(frames * ch);
    std::size_t at = 0;
    s.Run(
        [&](double* dest, std::size_t want) {
            const std::size_t n = std::min(want, frames - at);
            std::copy_n(interleaved.begin() + static_cast<std::ptrdiff_t>(at * ch), n * ch, dest);
            at += n;
            return n;
        },
        [&](const double* src, std::size_t n) {
            result.insert(result.end(), src, src + n * ch);
            return true;
        });
    return result;
}

bool ListenToFile(const std::string& in, const std::string& out, const TListenResponse* response,
                  const TListenFilterOptions& options, TListenFileReport& report, std::string& error) {
    report = {};
    if (!ContainerForPath(out)) {
        error = "Cannot write \"" + out + "\": the extension chooses the format, and it must be .wav, .flac or .ogg.";
        return false;
    }
    if (SamePlace(in, out)) {
        error = "The filtered recording cannot replace the recording it is made from: choose another output file.";
        return false;
    }
    TAudioReader reader;
    if (!reader.Open(in, error)) return false;
    report.Input = reader.Info();
    if (response) {
        TListenFilterOptions o = options;
        o.SampleRate = report.Input.SampleRate;
        if (!BuildListenFilter(*response, o, report.Filter, error)) return false;
    }
    TAudioWriter writer;
    if (!writer.Create(out, report.Input.SampleRate, report.Input.Channels, report.Input.Format, error)) return false;
    report.OutputFormat = writer.Format();

    TStreamFilter filter(response ? &report.Filter : nullptr, report.Input.Channels);
    const bool ok = filter.Run([&](double* dest, std::size_t n) { return reader.Read(dest, n); },
                               [&](const double* src, std::size_t n) { return writer.Write(src, n, error); });
    const bool closed = writer.Close(error);
    report.ClippedSamples = writer.ClippedSamples();
    report.Peak = writer.Peak();
    if (ok && closed && reader.Failed()) error = reader.FailureText();
    if (!ok || !closed || reader.Failed()) {
        std::error_code ec;
        std::filesystem::remove(out, ec);
        return false;
    }
    return true;
}

}  // namespace pelmo
