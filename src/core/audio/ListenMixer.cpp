#include "audio/ListenMixer.h"

#include <algorithm>
#include <cmath>

namespace pelmo {

namespace {

// One step of a linear fade: toward `target` by at most `step`, landing on
// it exactly.
inline double Toward(double value, double target, double step) {
    const double d = target - value;
    if (d > step) return value + step;
    if (d < -step) return value - step;
    return target;
}

}  // namespace

std::size_t TMemorySource::Read(double* interleaved, std::size_t frames) {
    const std::size_t total = samples_.size() / static_cast<std::size_t>(channels_);
    const std::size_t n = std::min(frames, total - std::min(total, at_));
    const auto ch = static_cast<std::size_t>(channels_);
    std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(at_ * ch), n * ch, interleaved);
    at_ += n;
    return n;
}

TMixerFilter TListenMixer::Prepare(const TListenFilter& filter) {
    TMixerFilter f;
    f.Partitions = std::make_shared<const TFilterPartitions>(filter.Taps, Block);
    f.Latency = filter.Latency;
    f.SampleRate = filter.SampleRate;
    return f;
}

TListenFilterOptions TListenMixer::FilterOptions(double rate, bool keepDelay) {
    TListenFilterOptions o;
    o.SampleRate = rate;
    o.KeepDelay = keepDelay;
    o.LatencySeconds = LatencySeconds;
    o.MaxSeconds = MaxFilterSeconds;
    return o;
}

TListenMixer::TListenMixer(std::unique_ptr<TSampleSource> source)
    : source_(std::move(source)),
      channels_(std::max(source_->Channels(), 1)),
      rate_(source_->SampleRate()),
      frames_(source_->Frames()),
      latency_(static_cast<std::size_t>(std::lround(LatencySeconds * rate_))),
      fade_(std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(FadeSeconds * rate_)))) {
    const auto ch = static_cast<std::size_t>(channels_);
    const std::size_t partitions = static_cast<std::size_t>(std::ceil(MaxFilterSeconds * rate_ / Block)) + 1;
    for (std::size_t c = 0; c < ch; ++c) {
        convolvers_.push_back(std::make_unique<TBlockConvolver>(Block, partitions));
        delay_.emplace_back(latency_ + Block, 0.0);
    }
    in_.resize(Block * ch);
    channel_.resize(Block);
    design_.resize(Block);
    out_.resize(Block * ch);
    outAt_ = Block;
    mixRamp_.resize(Block);
    gainRamp_.resize(Block);
}

bool TListenMixer::SetFilter(const TMixerFilter& f) {
    if (f.Partitions && (f.Partitions->Block() != Block || f.Partitions->Count() > convolvers_[0]->MaxPartitions() ||
                         f.Latency != latency_ || f.SampleRate != rate_))
        return false;
    std::lock_guard<std::mutex> lock(lock_);
    for (auto& c : convolvers_) c->SetFilter(f.Partitions, true);
    filter_ = f.Partitions;
    return true;
}

bool TListenMixer::HasFilter() const {
    std::lock_guard<std::mutex> lock(lock_);
    return filter_ != nullptr;
}

void TListenMixer::SetBypass(bool bypass) {
    std::lock_guard<std::mutex> lock(lock_);
    bypass_ = bypass;
}

bool TListenMixer::Bypass() const {
    std::lock_guard<std::mutex> lock(lock_);
    return bypass_;
}

void TListenMixer::SetLevelDb(double db) {
    std::lock_guard<std::mutex> lock(lock_);
    gainTarget_ = std::pow(10.0, std::clamp(db, -120.0, 24.0) / 20.0);
    gainStep_ = std::fabs(gainTarget_ - gain_) / static_cast<double>(fade_);
}

void TListenMixer::SetLoop(bool loop) {
    std::lock_guard<std::mutex> lock(lock_);
    loop_ = loop;
}

void TListenMixer::Restart() {
    std::lock_guard<std::mutex> lock(lock_);
    source_->Rewind();
    for (auto& c : convolvers_) c->Reset();
    for (auto& d : delay_) std::fill(d.begin(), d.end(), 0.0);
    delayAt_ = 0;
    outAt_ = Block;
    ended_ = finished_ = false;
    tail_ = 0;
    rendered_ = 0;
    clipped_ = 0;
    mix_ = bypass_ ? 0.0 : 1.0;
    gain_ = gainTarget_;
}

bool TListenMixer::Finished() const {
    std::lock_guard<std::mutex> lock(lock_);
    return finished_;
}

std::int64_t TListenMixer::Position() const {
    std::lock_guard<std::mutex> lock(lock_);
    const std::int64_t heard = std::max<std::int64_t>(0, rendered_ - static_cast<std::int64_t>(latency_));
    if (frames_ <= 0) return 0;
    return loop_ ? heard % frames_ : std::min(heard, frames_);
}

std::int64_t TListenMixer::ClippedSamples() const {
    std::lock_guard<std::mutex> lock(lock_);
    return clipped_;
}

std::size_t TListenMixer::Render(float* interleaved, std::size_t frames) {
    std::lock_guard<std::mutex> lock(lock_);
    const auto ch = static_cast<std::size_t>(channels_);
    std::size_t done = 0;
    while (done < frames) {
        if (outAt_ == Block) {
            if (finished_) break;
            if (ended_ && tail_ == 0) {
                finished_ = true;
                break;
            }
            ProcessBlock();
            outAt_ = 0;
        }
        const std::size_t n = std::min(frames - done, Block - outAt_);
        std::copy_n(out_.data() + outAt_ * ch, n * ch, interleaved + done * ch);
        outAt_ += n;
        done += n;
    }
    rendered_ += static_cast<std::int64_t>(done);
    return done;
}

void TListenMixer::ProcessBlock() {
    const auto ch = static_cast<std::size_t>(channels_);
    // The next block of the recording; at its end it starts again when
    // looping, or silence follows while the filter's tail plays out.
    std::size_t got = 0;
    bool rewound = false;
    while (got < Block && !ended_) {
        const std::size_t n = source_->Read(in_.data() + got * ch, Block - got);
        got += n;
        if (n > 0) {
            rewound = false;
            continue;
        }
        if (loop_ && !rewound && source_->Rewind()) {
            rewound = true;  // a source that gives nothing after a rewind ends
            continue;
        }
        ended_ = true;
        // The last sample comes out of the bypass path `latency_` frames
        // on, and the filter rings on to its last tap.
        tail_ = std::max(latency_, filter_ ? filter_->Length() : 0);
        tail_ -= std::min(tail_, Block - got);
    }
    if (ended_ && got == 0) tail_ -= std::min(tail_, Block);
    std::fill(in_.begin() + static_cast<std::ptrdiff_t>(got * ch), in_.end(), 0.0);

    // The fades, the same for every channel.
    const double step = 1.0 / static_cast<double>(fade_);
    const double mixTarget = bypass_ ? 0.0 : 1.0;
    for (std::size_t i = 0; i < Block; ++i) {
        mix_ = Toward(mix_, mixTarget, step);
        gain_ = Toward(gain_, gainTarget_, gainStep_);
        mixRamp_[i] = mix_;
        gainRamp_[i] = gain_;
    }

    const std::size_t ring = latency_ + Block;
    for (std::size_t c = 0; c < ch; ++c) {
        for (std::size_t i = 0; i < Block; ++i) channel_[i] = in_[i * ch + c];
        convolvers_[c]->Process(channel_.data(), design_.data());
        std::vector<double>& d = delay_[c];
        for (std::size_t i = 0; i < Block; ++i) {
            const std::size_t w = (delayAt_ + i) % ring;
            d[w] = channel_[i];
            const double bypass = d[(w + ring - latency_) % ring];
            const double a = mixRamp_[i];
            // At a weight of 0 the bypass path comes out exactly as read.
            double v = gainRamp_[i] * (a * design_[i] + (1.0 - a) * bypass);
            if (v > 1.0 || v < -1.0) {
                ++clipped_;
                v = std::clamp(v, -1.0, 1.0);
            }
            out_[i * ch + c] = static_cast<float>(v);
        }
    }
    delayAt_ = (delayAt_ + Block) % ring;
}

}  // namespace pelmo
