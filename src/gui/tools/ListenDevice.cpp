#include "gui/tools/ListenDevice.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "audio/ListenMixer.h"

namespace pelmo {

namespace {

int BytesPerSample(QAudioFormat::SampleFormat f) {
    switch (f) {
        case QAudioFormat::UInt8:
            return 1;
        case QAudioFormat::Int16:
            return 2;
        default:
            return 4;
    }
}

// A sample of full scale +-1 as an integer of `codes` per unit, rounded and
// kept within the integer's range.
template <class T>
T ToInteger(float v, double codes) {
    const double c = std::round(static_cast<double>(v) * codes);
    return static_cast<T>(std::clamp(c, -codes, codes - 1));
}

}  // namespace

TListenDevice::TListenDevice(TListenMixer& mixer, QAudioFormat::SampleFormat format, QObject* parent)
    : QIODevice(parent), mixer_(mixer), format_(format) {}

int TListenDevice::BytesPerFrame() const { return BytesPerSample(format_) * mixer_.Channels(); }

qint64 TListenDevice::bytesAvailable() const {
    // Sound is made on demand: a second's worth is always there until the end.
    if (mixer_.Finished()) return QIODevice::bytesAvailable();
    return QIODevice::bytesAvailable() + static_cast<qint64>(mixer_.SampleRate()) * BytesPerFrame();
}

qint64 TListenDevice::readData(char* data, qint64 maxSize) {
    const int frameBytes = BytesPerFrame();
    const auto frames = static_cast<std::size_t>(maxSize / frameBytes);
    const auto channels = static_cast<std::size_t>(mixer_.Channels());
    if (frames == 0) return 0;
    scratch_.resize(frames * channels);
    const std::size_t got = mixer_.Render(scratch_.data(), frames);
    const std::size_t n = got * channels;
    switch (format_) {
        case QAudioFormat::Float:
            std::memcpy(data, scratch_.data(), n * sizeof(float));
            break;
        case QAudioFormat::Int16: {
            auto* out = reinterpret_cast<std::int16_t*>(data);
            for (std::size_t i = 0; i < n; ++i) out[i] = ToInteger<std::int16_t>(scratch_[i], 32768.0);
            break;
        }
        case QAudioFormat::Int32: {
            auto* out = reinterpret_cast<std::int32_t*>(data);
            for (std::size_t i = 0; i < n; ++i) out[i] = ToInteger<std::int32_t>(scratch_[i], 2147483648.0);
            break;
        }
        case QAudioFormat::UInt8: {
            auto* out = reinterpret_cast<std::uint8_t*>(data);
            for (std::size_t i = 0; i < n; ++i)
                out[i] = static_cast<std::uint8_t>(ToInteger<int>(scratch_[i], 128.0) + 128);
            break;
        }
        default:
            std::memset(data, 0, n * static_cast<std::size_t>(BytesPerSample(format_)));
            break;
    }
    if (got < frames && !finishSent_ && mixer_.Finished()) {
        finishSent_ = true;
        // The sink may pull on a thread of its own.
        QMetaObject::invokeMethod(this, &TListenDevice::Finished, Qt::QueuedConnection);
    }
    return static_cast<qint64>(got) * frameBytes;
}

qint64 TListenDevice::writeData(const char*, qint64) { return -1; }

}  // namespace pelmo
