#pragma once

#include <QAudioFormat>
#include <QIODevice>
#include <vector>

namespace pelmo {

class TListenMixer;

// The device an audio sink pulls the player's sound from: the mixer's
// output (the design path and the bypass path mixed) in the sink's sample
// format. It never blocks; once the recording has ended (not looping) and
// its tail has played out, it gives no more and says so once.
class TListenDevice : public QIODevice {
    Q_OBJECT
public:
    TListenDevice(TListenMixer& mixer, QAudioFormat::SampleFormat format, QObject* parent = nullptr);

    QAudioFormat::SampleFormat SampleFormat() const { return format_; }
    void SetSampleFormat(QAudioFormat::SampleFormat format) { format_ = format; }
    int BytesPerFrame() const;

    // The mixer has started again: the end is to be told again.
    void Rewound() { finishSent_ = false; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

signals:
    // The recording has played to its end (sent once, to the device's thread).
    void Finished();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    TListenMixer& mixer_;
    QAudioFormat::SampleFormat format_;
    std::vector<float> scratch_;
    bool finishSent_ = false;
};

}  // namespace pelmo
