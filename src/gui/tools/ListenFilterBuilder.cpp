#include "gui/tools/ListenFilterBuilder.h"

#include <QMetaObject>
#include <chrono>

namespace pelmo {

TListenFilterBuilder::TListenFilterBuilder(QObject* parent) : QObject(parent) {
    thread_ = std::thread([this] { Run(); });
}

TListenFilterBuilder::~TListenFilterBuilder() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        quit_ = true;
        pending_.reset();
    }
    wake_.notify_all();
    thread_.join();
}

void TListenFilterBuilder::Build(Request request) {
    {
        std::lock_guard<std::mutex> lock(lock_);
        pending_ = std::move(request);
    }
    wake_.notify_all();
}

bool TListenFilterBuilder::Busy() const {
    std::lock_guard<std::mutex> lock(lock_);
    return working_ || pending_.has_value();
}

void TListenFilterBuilder::Run() {
    for (;;) {
        Request request;
        {
            std::unique_lock<std::mutex> lock(lock_);
            wake_.wait(lock, [this] { return quit_ || pending_.has_value(); });
            if (quit_) return;
            request = std::move(*pending_);
            pending_.reset();
            working_ = true;
        }
        const auto start = std::chrono::steady_clock::now();
        Result result;
        result.Generation = request.Generation;
        std::string error;
        try {
            result.Ok =
                BuildListenFilter(request.Response, TListenMixer::FilterOptions(request.SampleRate, request.KeepDelay),
                                  result.Filter, error);
            if (result.Ok) result.Mixer = TListenMixer::Prepare(result.Filter);
        } catch (const std::exception& e) {
            result.Ok = false;
            error = e.what();
        }
        result.Error = QString::fromStdString(error);
        result.Taps = result.Filter.Taps.size();
        result.Filter.Taps.clear();
        result.Filter.Taps.shrink_to_fit();
        result.Milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        {
            std::lock_guard<std::mutex> lock(lock_);
            working_ = false;
            if (quit_) return;
        }
        // Delivered on the builder's own thread; dropped if it is gone by then.
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { emit Built(result); }, Qt::QueuedConnection);
    }
}

}  // namespace pelmo
