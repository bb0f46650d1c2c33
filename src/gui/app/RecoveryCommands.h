#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "document/Recovery.h"

// Crash recovery in the window: the timer that keeps the recovery copy up to
// date (the copy itself is the core's TRecovery), and the question at start-up
// about copies that programs which ended abnormally left behind.

namespace pelmo {

class TMainWindow;

class TRecoveryCommands : public QObject {
    Q_OBJECT
public:
    // Follows the window's edits from now on.
    explicit TRecoveryCommands(TMainWindow& window);

    // The next update of the copy, when the design has changed since the last.
    void Schedule();
    void Stop() { timer_.stop(); }
    // A wheel notch over the window: the copy waits for a pause in tuning.
    void NoteWheel() { lastWheel_.start(); }

    // Asks about every copy left behind, newest first: Recover, Discard or Later.
    void Offer();
    // Answers the question instead of showing it (tests).
    std::function<TRecoveryAnswer(const TRecoveryCopy&)> ChooseRecovery;
    // Answers the question about a copy that cannot be read (its text given)
    // instead of showing it (tests): Discard, or Later to keep it.
    std::function<TRecoveryAnswer(const TRecoveryCopy&, const std::string& text)> ChooseUnreadableRecovery;
    // The timer that keeps the recovery copy up to date.
    const QTimer& Timer() const { return timer_; }

    // For tests of the program itself: one edit after start-up, as asked in
    // the environment.
    void RunStartupTestHooks();

private:
    void Timeout();
    TRecoveryAnswer Ask(const TRecoveryCopy& copy);
    TRecoveryAnswer AskUnreadable(const std::string& text);
    void Recover(const TRecoveryCopy& copy);

    TMainWindow& window_;
    QTimer timer_;
    QElapsedTimer lastWheel_;
};

}  // namespace pelmo
