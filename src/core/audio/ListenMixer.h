#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/AudioFile.h"
#include "audio/BlockConvolver.h"
#include "audio/ListenFilter.h"

// The player's signal path: a recording read block by block, played
// through the design's filter and, alongside, delayed by the filter's
// latency without it ("bypass"); the output mixes the two. Switching
// between them, changing the level and taking a rebuilt filter in all fade
// over a short time, so that none of them clicks. The mixer does no I/O of
// its own beyond reading its source: a player pulls output frames from it.

namespace pelmo {

// Where the mixer's samples come from.
class TSampleSource {
public:
    virtual ~TSampleSource() = default;
    virtual int Channels() const = 0;
    virtual int SampleRate() const = 0;
    virtual std::int64_t Frames() const = 0;
    // Up to `frames` interleaved frames; fewer at the end (0 there).
    virtual std::size_t Read(double* interleaved, std::size_t frames) = 0;
    virtual bool Rewind() = 0;
};

// A recording read from its file as it plays.
class TFileSource : public TSampleSource {
public:
    bool Open(const std::string& path, std::string& error) { return reader_.Open(path, error); }
    const TAudioInfo& Info() const { return reader_.Info(); }
    int Channels() const override { return reader_.Info().Channels; }
    int SampleRate() const override { return reader_.Info().SampleRate; }
    std::int64_t Frames() const override { return reader_.Info().Frames; }
    std::size_t Read(double* interleaved, std::size_t frames) override { return reader_.Read(interleaved, frames); }
    bool Rewind() override { return reader_.Rewind(); }

private:
    TAudioReader reader_;
};

// Samples held in memory (tests, short clips).
class TMemorySource : public TSampleSource {
public:
    TMemorySource(std::vector<double> interleaved, int channels, int rate)
        : samples_(std::move(interleaved)), channels_(channels), rate_(rate) {}
    int Channels() const override { return channels_; }
    int SampleRate() const override { return rate_; }
    std::int64_t Frames() const override { return static_cast<std::int64_t>(samples_.size()) / channels_; }
    std::size_t Read(double* interleaved, std::size_t frames) override;
    bool Rewind() override {
        at_ = 0;
        return true;
    }

private:
    std::vector<double> samples_;
    int channels_;
    int rate_;
    std::size_t at_ = 0;  // frames
};

// A filter made ready for a mixer (its partitions transformed), which can
// be done away from the thread that plays.
struct TMixerFilter {
    std::shared_ptr<const TFilterPartitions> Partitions;
    std::size_t Latency = 0;
    double SampleRate = 0.0;
};

class TListenMixer {
public:
    // Frames processed at a time: a rebuilt filter takes over within one block.
    static constexpr std::size_t Block = 1024;
    // Switching, level changes and filter changes fade over this time.
    static constexpr double FadeSeconds = 0.02;
    // The design path's latency, which every filter given to a mixer is
    // built with (TListenFilterOptions::LatencySeconds): the bypass path is
    // delayed as much, so that switching keeps the timing.
    static constexpr double LatencySeconds = 0.02;
    // The longest filter a mixer takes (TListenFilterOptions::MaxSeconds).
    static constexpr double MaxFilterSeconds = 1.0;

    static TMixerFilter Prepare(const TListenFilter& filter);
    // Options for the filters of a mixer at `rate`.
    static TListenFilterOptions FilterOptions(double rate, bool keepDelay);

    explicit TListenMixer(std::unique_ptr<TSampleSource> source);
    TListenMixer(const TListenMixer&) = delete;
    TListenMixer& operator=(const TListenMixer&) = delete;

    int Channels() const { return channels_; }
    int SampleRate() const { return rate_; }
    std::size_t Latency() const { return latency_; }
    std::int64_t SourceFrames() const { return frames_; }

    // Settings, from any thread; they take effect at the next block.
    // A filter for another rate or latency, or too long, is refused; none
    // leaves the design path silent.
    bool SetFilter(const TMixerFilter& filter);
    bool HasFilter() const;
    void SetBypass(bool bypass);
    bool Bypass() const;
    void SetLevelDb(double db);
    void SetLoop(bool loop);
    // Back to the start of the recording, with nothing of the past in the
    // filters and no fades.
    void Restart();

    // The player's side: up to `frames` interleaved frames (full scale +-1,
    // clipped there). Fewer once the recording, not looping, has ended and
    // the filter's tail has played out.
    std::size_t Render(float* interleaved, std::size_t frames);
    bool Finished() const;
    // The frame of the recording being heard now.
    std::int64_t Position() const;
    // Output samples clipped at full scale since the last Restart.
    std::int64_t ClippedSamples() const;

private:
    void ProcessBlock();

    mutable std::mutex lock_;
    std::unique_ptr<TSampleSource> source_;
    int channels_;
    int rate_;
    std::int64_t frames_;
    std::size_t latency_;
    std::size_t fade_;  // samples

    std::vector<std::unique_ptr<TBlockConvolver>> convolvers_;
    std::shared_ptr<const TFilterPartitions> filter_;
    std::vector<std::vector<double>> delay_;  // per channel, latency_ + Block
    std::size_t delayAt_ = 0;
    std::vector<double> in_;       // interleaved block from the source
    std::vector<double> channel_;  // one channel's block
    std::vector<double> design_;   // one channel's block through the filter
    std::vector<float> out_;       // interleaved output block
    std::size_t outAt_ = 0;        // frames of out_ already handed out

    bool bypass_ = false;
    bool loop_ = false;
    double mix_ = 1.0;  // weight of the design path
    double gain_ = 1.0;
    double gainTarget_ = 1.0;
    double gainStep_ = 0.0;  // per sample, toward the target
    bool ended_ = false;     // the source has ended (not looping)
    std::size_t tail_ = 0;   // frames still to play after the end
    bool finished_ = false;
    std::int64_t rendered_ = 0;  // frames handed out since Restart
    std::int64_t clipped_ = 0;
    std::vector<double> mixRamp_, gainRamp_;  // per sample of a block
};

}  // namespace pelmo
