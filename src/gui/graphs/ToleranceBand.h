#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "model/GraphKind.h"
#include "tolerance/ToleranceAnalysis.h"

class QAction;
class QCPGraph;
class QCustomPlot;

// The "Tolerance" choice of the SPL and impedance windows' Curves menu: a
// shaded band between the 5 % and 95 % percentiles of a Monte Carlo
// tolerance analysis (and a lighter one between the minimum and the
// maximum) under the window's curves, so the nominal System curve lies on
// top. The analysis runs off the GUI thread, on a thread of the window's
// own that hands the runs to the program's worker pool: a solve never waits
// for it. While the band is switched on, every solve of the window (an
// edit, a wheel step) asks for a new band a moment later; a newer request
// stops an older one, and the band drawn stays until the new one is ready.

namespace pelmo {

class TGraphWindows;
class TPlotForm;
struct TDesign;

class TToleranceView : public QObject {
    Q_OBJECT
public:
    // Windows of this kind offer the band.
    static bool Offered(TGraphKind kind);

    // Adds the "Tolerance" item to the window's Curves menu.
    TToleranceView(TPlotForm& window, TGraphWindows& owner);
    ~TToleranceView() override;

    QAction* Item() const { return item_; }
    bool On() const;
    void SetOn(bool on);

    // The window took new curves (after a solve): a new band, when on.
    void CurvesRefreshed();

    // The analysis the band runs (parts without a recorded tolerance count
    // as 5 %; 500 runs, seed 1, uniform, driver levels fixed).
    TToleranceSettings Settings;
    // How long after a change the analysis starts (ms).
    int DelayMs = 150;

    // For tests: bands drawn so far, whether one is asked for or computing,
    // and the chart lines (p5, p95, min, max).
    int Completed() const { return completed_; }
    bool Pending() const;
    const TToleranceOutcome& Last() const { return last_; }
    QCPGraph* P5() const { return p5_; }
    QCPGraph* P95() const { return p95_; }
    QCPGraph* Min() const { return min_; }
    QCPGraph* Max() const { return max_; }

signals:
    // A new band is drawn.
    void Ready();

private:
    struct TJob {
        std::unique_ptr<TDesign> Design;
        TToleranceSettings Settings;
        unsigned Id = 0;
    };

    void Start();
    void Worker();
    void Take(unsigned id, const TToleranceOutcome& out);
    void MakeGraphs();
    void ShowGraphs(bool shown);
    void StopWorker();

    TPlotForm& window_;
    TGraphWindows& owner_;
    QAction* item_ = nullptr;
    QTimer delay_;
    QCPGraph* p5_ = nullptr;
    QCPGraph* p95_ = nullptr;
    QCPGraph* min_ = nullptr;
    QCPGraph* max_ = nullptr;
    TToleranceOutcome last_;
    int completed_ = 0;
    unsigned requested_ = 0;  // id of the newest request (GUI thread)
    unsigned taken_ = 0;      // id of the band drawn

    std::thread thread_;
    std::mutex m_;
    std::condition_variable wake_;
    std::unique_ptr<TJob> next_;  // waiting for the worker
    bool running_ = false;        // the worker is on a job
    bool stop_ = false;
    std::atomic<bool> cancel_{false};
};

}  // namespace pelmo
