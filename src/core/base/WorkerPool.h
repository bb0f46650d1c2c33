#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

// A few helper threads, started once for the run of the program, that share
// a job with the thread that asks for it. The caller runs part 0 itself and
// returns when every part is done, so a job looks synchronous to its caller.
// Parts must not depend on each other's timing: the results of a job may not
// depend on how many parts there are or which thread runs which.

namespace pelmo {

class TWorkerPool {
public:
    using Job = void (*)(void* context, int part, int parts);

    // The pool of the program: one part per processor, at most four, or the
    // number in the environment variable PELMO_THREADS (1 runs everything on
    // the calling thread).
    static TWorkerPool& Shared();

    explicit TWorkerPool(int parts);
    ~TWorkerPool();
    TWorkerPool(const TWorkerPool&) = delete;
    TWorkerPool& operator=(const TWorkerPool&) = delete;

    int Parts() const { return parts_; }

    // job(context, p, Parts()) for every part p; part 0 on the calling thread.
    // While the pool is busy with another caller's job, or when called from
    // inside a job, every part runs on the calling thread, one after the
    // other. An exception of a part is thrown again here once all are done.
    void Run(Job job, void* context);

    // f(begin, end) on Parts() consecutive ranges that together cover
    // 0 ... count - 1, one range per part, each a multiple of `grain` long
    // but the last.
    template <class F>
    void ForRanges(std::size_t count, std::size_t grain, F&& f) {
        struct Context {
            std::remove_reference_t<F>* f;
            std::size_t count, grain;
        } c{&f, count, grain == 0 ? 1 : grain};
        Run(
            [](void* p, int part, int parts) {
                const Context& c = *static_cast<const Context*>(p);
                const std::size_t units = (c.count + c.grain - 1) / c.grain;
                const std::size_t begin = std::min(
                    c.count, units * static_cast<std::size_t>(part) / static_cast<std::size_t>(parts) * c.grain);
                const std::size_t end = std::min(
                    c.count, units * static_cast<std::size_t>(part + 1) / static_cast<std::size_t>(parts) * c.grain);
                if (begin < end) (*c.f)(begin, end);
            },
            &c);
    }

private:
    void Helper(int part);

    int parts_ = 1;
    std::vector<std::thread> threads_;
    std::mutex busy_;  // held by the caller of a running job

    std::mutex m_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Job job_ = nullptr;
    void* context_ = nullptr;
    unsigned generation_ = 0;
    int pending_ = 0;
    bool stop_ = false;
    std::exception_ptr error_;
};

}  // namespace pelmo
