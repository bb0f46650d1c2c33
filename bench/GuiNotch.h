#pragma once

// What the GUI benchmarks share: a wheel notch sent to a control, timed until
// every watched chart has painted again, with the median and worst step as
// counters in milliseconds (wall-clock, and the GUI thread's processor time,
// which other processes on a busy machine do not inflate).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace pelmo::bench {

inline double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1000.0 * static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_nsec);
}

// Counts the paints of one widget.
class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

// The charts a notch must repaint.
class TPaintWatch {
public:
    explicit TPaintWatch(std::size_t charts) : counters_(charts) {}
    void Watch(std::size_t i, QWidget* chart) { chart->installEventFilter(&counters_[i]); }

    // One notch of the wheel on `control`; returns when every chart has
    // painted since (false after 5 s without).
    bool Notch(QWidget* control, bool up) {
        std::vector<int> before;
        for (const PaintCounter& c : counters_) before.push_back(c.Paints);
        const QPoint p(control->width() / 2, control->height() / 2);
        QWheelEvent e(p, control->mapToGlobal(p), QPoint(), QPoint(0, up ? 120 : -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(control, &e);
        QElapsedTimer guard;
        guard.start();
        while (!AllPaintedSince(before)) {
            if (guard.elapsed() > 5000) return false;
            QApplication::processEvents(QEventLoop::AllEvents);
        }
        return true;
    }

private:
    bool AllPaintedSince(const std::vector<int>& before) const {
        for (std::size_t i = 0; i < counters_.size(); ++i)
            if (counters_[i].Paints == before[i]) return false;
        return true;
    }
    std::vector<PaintCounter> counters_;
};

// Times `notch(up)` once per iteration, up and down in turns of five so that
// the value stays in range; false from it ends the run with `failure`.
inline void TimeNotches(benchmark::State& state, const std::function<bool(bool)>& notch, const char* failure) {
    std::vector<double> wall, cpu;
    int step = 0;
    for (auto _ : state) {
        const bool up = (step++ / 5) % 2 == 0;
        const double c0 = ThreadCpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        if (!notch(up)) {
            state.SkipWithError(failure);
            return;
        }
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(ThreadCpuMs() - c0);
        wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    state.counters["median_ms"] = wall[wall.size() / 2];
    state.counters["worst_ms"] = wall.back();
    state.counters["median_cpu_ms"] = cpu[cpu.size() / 2];
    state.counters["worst_cpu_ms"] = cpu.back();
}

// main() of a GUI benchmark: an offscreen application around the runs.
inline int RunGuiBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace pelmo::bench
