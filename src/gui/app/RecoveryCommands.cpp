#include "gui/app/RecoveryCommands.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "editor/SheetEdit.h"
#include "gui/app/MainWindow.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/sheet/EditorController.h"
#include "gui/sheet/SheetView.h"
#include "gui/sheet/SheetWidgets.h"

namespace pelmo {

namespace {

// A wheel turn less than this ago means the user is tuning: the copy waits
// for a pause, so that no wheel notch ever waits for a write.
constexpr qint64 WheelPauseMs = 300;

const char* Env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

}  // namespace

TRecoveryCommands::TRecoveryCommands(TMainWindow& window) : QObject(&window), window_(window) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { Timeout(); });
    connect(&window.Editor(), &TEditorController::HistoryChanged, this, [this] { Schedule(); });
}

void TRecoveryCommands::Schedule() {
    const auto due = window_.Session().NextRecoveryUpdate();
    if (!due) {
        timer_.stop();
        return;
    }
    using namespace std::chrono;
    const auto wait = duration_cast<milliseconds>(*due - TRecovery::TClock::now()).count();
    timer_.start(static_cast<int>(std::clamp<long long>(wait, 0, 3600 * 1000)));
}

void TRecoveryCommands::Timeout() {
    // Never in the middle of an edit (a part picked up, a wire half drawn)
    // nor of a run of wheel notches: a moment later instead.
    const TEditMode mode = window_.Editor().EditMode();
    const bool settled = mode == TEditMode::Idle || mode == TEditMode::TuneMode || mode == TEditMode::ZoomMode ||
                         mode == TEditMode::BoxShown;
    if (!settled || (lastWheel_.isValid() && lastWheel_.elapsed() < WheelPauseMs)) {
        timer_.start(static_cast<int>(WheelPauseMs));
        return;
    }
    window_.Session().UpdateRecovery();
    Schedule();
}

void TRecoveryCommands::Offer() {
    TRecovery& recovery = window_.Session().Recovery();
    for (const TRecoveryCopy& copy : recovery.FindLeftovers()) {
        switch (ChooseRecovery ? ChooseRecovery(copy) : Ask(copy)) {
            case TRecoveryAnswer::Recover:
                Recover(copy);
                break;
            case TRecoveryAnswer::Discard:
                recovery.Discard(copy);
                break;
            case TRecoveryAnswer::Later:
                recovery.Release(copy);
                break;
        }
    }
    Schedule();
}

TRecoveryAnswer TRecoveryCommands::Ask(const TRecoveryCopy& copy) {
    // For tests of the program itself: the answer comes from the environment
    // and the question goes to stderr.
    if (const char* answer = Env("PELMO_TEST_RECOVERY_ANSWER")) {
        std::fprintf(stderr, "pelmo: recovery offered: %s\n",
                     copy.DesignPath.empty() ? "(untitled)" : copy.DesignPath.c_str());
        const std::string_view a(answer);
        return a == "recover"   ? TRecoveryAnswer::Recover
               : a == "discard" ? TRecoveryAnswer::Discard
                                : TRecoveryAnswer::Later;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Pelmo"), QString::fromStdString(RecoveryQuestionText(copy)),
                    QMessageBox::NoButton, &window_);
    QPushButton* recover = box.addButton(RecoverButtonText, QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(DiscardButtonText, QMessageBox::DestructiveRole);
    QPushButton* later = box.addButton(LaterButtonText, QMessageBox::RejectRole);
    box.setDefaultButton(recover);
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == recover) return TRecoveryAnswer::Recover;
    if (box.clickedButton() == discard) return TRecoveryAnswer::Discard;
    return TRecoveryAnswer::Later;
}

TRecoveryAnswer TRecoveryCommands::AskUnreadable(const std::string& text) {
    if (const char* answer = Env("PELMO_TEST_RECOVERY_ANSWER")) {
        std::fprintf(stderr, "pelmo: %s\n", text.c_str());
        return std::string_view(answer) == "discard" ? TRecoveryAnswer::Discard : TRecoveryAnswer::Later;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Pelmo"), QString::fromStdString(text), QMessageBox::NoButton,
                    &window_);
    QPushButton* discard = box.addButton(DiscardButtonText, QMessageBox::DestructiveRole);
    QPushButton* keep = box.addButton(KeepButtonText, QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == discard ? TRecoveryAnswer::Discard : TRecoveryAnswer::Later;
}

void TRecoveryCommands::Recover(const TRecoveryCopy& copy) {
    window_.Editor().CloseElementDialogs();
    window_.Editor().SetIdle();
    std::string why;
    const bool ok = window_.Session().RecoverLeftover(
        copy,
        [this] {
            if (window_.OpenDefaultGraphs) window_.OpenDefaultGraphs(true);
        },
        &why);
    if (!ok) {
        TRecovery& recovery = window_.Session().Recovery();
        if (why.empty()) {
            // The user kept the open design (its save did not happen): the
            // copy waits for the next start.
            recovery.Release(copy);
            return;
        }
        // A copy that cannot be read: said, and the user decides whether it
        // goes or stays for the next start.
        const std::string text = UnreadableRecoveryText(copy, why);
        const TRecoveryAnswer answer =
            ChooseUnreadableRecovery ? ChooseUnreadableRecovery(copy, text) : AskUnreadable(text);
        if (answer == TRecoveryAnswer::Discard)
            recovery.Discard(copy);
        else
            recovery.Release(copy);
        return;
    }
    window_.AfterRecovery();
}

void TRecoveryCommands::RunStartupTestHooks() {
    // For tests of the program itself: one edit after start-up, as the
    // Delete key over the element of this designator makes it.
    const char* designator = Env("PELMO_TEST_DELETE");
    if (!designator) return;
    const TDesign& d = window_.Session().Design();
    auto find = [&]() -> std::optional<TPoint> {
        for (const auto& p : d.Parts)
            if (PartDesignator(*p) == designator) return p->Position;
        for (const auto& drv : d.Drivers)
            if (DriverDesignator(*drv) == designator) return drv->Position;
        return std::nullopt;
    };
    const auto at = find();
    if (!at) return;
    // A grid point near the element's position that hits the element itself.
    for (int r = 0; r <= 4; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                const TPoint p{at->X + dx, at->Y + dy};
                const auto hit = HitTest(d, p);
                if (!hit || (hit->Kind != TElementKind::Driver && !IsPartKind(hit->Kind))) continue;
                const bool same = hit->Kind == TElementKind::Driver
                                      ? DriverDesignator(*d.Drivers[hit->Index]) == designator
                                      : PartDesignator(*d.Parts[hit->Index]) == designator;
                if (!same) continue;
                window_.Editor().SetPointer(window_.View().GridToPixel(p));
                window_.Editor().Keys().FormKeyDown(Qt::Key_Delete, Qt::NoModifier);
                return;
            }
}

}  // namespace pelmo
