#pragma once

#include <QObject>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "audio/ListenFilter.h"
#include "audio/ListenMixer.h"

namespace pelmo {

// Builds the player's filters on a thread of its own, so that tuning never
// waits for them: the newest request is built next, requests that a newer
// one overtook while waiting are dropped, and each result comes back as a
// signal on the builder's thread.
class TListenFilterBuilder : public QObject {
    Q_OBJECT
public:
    struct Request {
        TListenResponse Response;
        double SampleRate = 0.0;
        bool KeepDelay = false;
        int Generation = 0;  // the caller's count, handed back with the result
    };
    struct Result {
        int Generation = 0;
        bool Ok = false;
        QString Error;
        TListenFilter Filter;  // its taps are not kept (the mixer has them)
        std::size_t Taps = 0;
        TMixerFilter Mixer;
        double Milliseconds = 0.0;  // building and preparing
    };

    explicit TListenFilterBuilder(QObject* parent = nullptr);
    ~TListenFilterBuilder() override;

    void Build(Request request);
    // True while a request waits or is being built.
    bool Busy() const;

signals:
    void Built(const pelmo::TListenFilterBuilder::Result& result);

private:
    void Run();

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::optional<Request> pending_;
    bool working_ = false;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace pelmo
