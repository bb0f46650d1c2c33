#include "base/WorkerPool.h"

#include <algorithm>
#include <cstdlib>

namespace pelmo {

namespace {
int PartsFromEnvironment() {
    if (const char* s = std::getenv("PELMO_THREADS")) {
        const int n = std::atoi(s);
        if (n >= 1) return std::min(n, 16);
    }
    const unsigned hw = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(hw, 1u, 4u));
}

// Set on the pool's own threads and while a caller runs its part, so that a
// job that asks for the pool again runs its parts itself.
thread_local bool insideJob = false;
}  // namespace

TWorkerPool& TWorkerPool::Shared() {
    static TWorkerPool pool(PartsFromEnvironment());
    return pool;
}

TWorkerPool::TWorkerPool(int parts) : parts_(std::max(1, parts)) {
    threads_.reserve(static_cast<std::size_t>(parts_ - 1));
    for (int p = 1; p < parts_; ++p) threads_.emplace_back([this, p] { Helper(p); });
}

TWorkerPool::~TWorkerPool() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void TWorkerPool::Helper(int part) {
    insideJob = true;
    unsigned seen = 0;
    for (;;) {
        Job job;
        void* context;
        {
            std::unique_lock<std::mutex> lock(m_);
            wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
            if (stop_) return;
            seen = generation_;
            job = job_;
            context = context_;
        }
        std::exception_ptr error;
        try {
            job(context, part, parts_);
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(m_);
            if (error && !error_) error_ = error;
            if (--pending_ == 0) done_.notify_one();
        }
    }
}

void TWorkerPool::Run(Job job, void* context) {
    std::unique_lock<std::mutex> busy(busy_, std::try_to_lock);
    if (parts_ == 1 || insideJob || !busy.owns_lock()) {
        for (int p = 0; p < parts_; ++p) job(context, p, parts_);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_);
        job_ = job;
        context_ = context;
        pending_ = parts_ - 1;
        error_ = nullptr;
        ++generation_;
    }
    wake_.notify_all();
    std::exception_ptr error;
    insideJob = true;
    try {
        job(context, 0, parts_);
    } catch (...) {
        error = std::current_exception();
    }
    insideJob = false;
    std::unique_lock<std::mutex> lock(m_);
    done_.wait(lock, [&] { return pending_ == 0; });
    if (!error) error = error_;
    error_ = nullptr;
    lock.unlock();
    if (error) std::rethrow_exception(error);
}

}  // namespace pelmo
