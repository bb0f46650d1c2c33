#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Crash recovery. While the open design has changes that are not saved, a
// copy of it -- a design file with its measurement files embedded, as a save
// writes it -- is kept in the data folder's "Recovery" folder, so that hours
// of tuning survive a program that ends abnormally. Every running program
// writes under a name of its own, "<start time>-<pid>", and holds a lock on
// "<name>.lock" for as long as it runs; the system drops the lock when the
// program ends, however it ends. A copy whose lock nobody holds was left by
// a program that is gone, and the next start offers it. Beside each copy,
// "<name>.ini" says which design file it is a changed copy of.

namespace pelmo {

class MessageSink;
struct TDesign;

inline constexpr const char* RecoveryFolderName = "Recovery";

// A copy left by a program that ended abnormally.
struct TRecoveryCopy {
    std::string Name;            // "<start time>-<pid>": the name of its files
    std::string CopyPath;        // the copy, a design file
    std::string DesignPath;      // the file the design was opened from or saved to; "" when untitled
    std::int64_t WrittenAt = 0;  // when the copy was written, seconds since 1970
};

// What the user does with a copy left behind.
enum class TRecoveryAnswer {
    Recover,  // open it in place of the current design
    Discard,  // delete it
    Later,    // keep it; the next start asks again
};

// The question that offers a copy, and its three answers.
std::string RecoveryQuestionText(const TRecoveryCopy& copy);
inline constexpr const char* RecoverButtonText = "Recover";
inline constexpr const char* DiscardButtonText = "Discard";
inline constexpr const char* LaterButtonText = "Later";

// Said of a copy that cannot be read, with `why` the cause; its answers are
// Discard (delete it) and Keep (it stays for the next start).
std::string UnreadableRecoveryText(const TRecoveryCopy& copy, const std::string& why);
inline constexpr const char* KeepButtonText = "Keep";

// The copy of this program and the copies left by others.
class TRecovery {
public:
    using TClock = std::chrono::steady_clock;
    // After an edit the copy is written at once, but never sooner than this
    // after the last one: a quick run of edits writes one copy at its end.
    static constexpr std::chrono::seconds EditInterval{5};
    // Changes that end no edit of their own (a tuning under way) reach the
    // copy this often while the design is modified.
    static constexpr std::chrono::seconds Interval{60};

    // `dataFolder` ends with "/"; with "" nothing is ever written or found.
    // `now` starts the first Interval.
    explicit TRecovery(std::string dataFolder, TClock::time_point now = TClock::now());
    // A normal end: this program's copy goes, and so does its lock. Copies
    // offered but neither recovered nor discarded stay for the next start.
    ~TRecovery();
    TRecovery(const TRecovery&) = delete;
    TRecovery& operator=(const TRecovery&) = delete;

    // ---- this program's copy ----
    // The design as opened, started or saved: a design equal to it needs no
    // copy. Empty: every modified design does (a recovered one).
    void SetBaseline(std::vector<std::string> lines) { baseline_ = std::move(lines); }
    // An edit was committed, or a tuning session ended: a copy is due.
    void NoteEdit() { editPending_ = true; }
    // When Update should run next; nullopt while nothing waits for it. A
    // time in the past means at once.
    std::optional<TClock::time_point> NextUpdate(const TDesign& d) const;
    // Brings the copy up to date now. An unmodified design has no copy (and
    // becomes the baseline); a modified one is written unless it equals the
    // baseline or the last copy. False when a copy was needed and could not
    // be written (the older copy, if any, stays).
    bool Update(TDesign& d, TClock::time_point now);
    // This program's copy, "" while it has none.
    const std::string& CopyPath() const { return copyPath_; }
    // The name of this program's files ("" until the first copy).
    const std::string& Name() const { return name_; }
    // Removes this program's copy.
    void Remove();

    // ---- copies left by programs that are gone ----
    // Newest first. Each is held (a second program does not offer it too)
    // until it is discarded, released, or this object ends. Lock files and
    // half-written files of programs that are gone are cleared on the way.
    std::vector<TRecoveryCopy> FindLeftovers();
    // Reads a held copy into d: d takes its file name and counts as
    // modified. `workPath` is a design path in a folder of this run: the
    // measurement files the copy carries go to its support folder. False,
    // with d as it was and the cause in `why` (when given), when the copy
    // cannot be read.
    bool ReadLeftover(const TRecoveryCopy& copy, TDesign& d, const std::string& workPath, MessageSink& messages,
                      std::string* why = nullptr);
    // Deletes a held copy's files.
    void Discard(const TRecoveryCopy& copy);
    // Lets go of a held copy: it stays for the next start.
    void Release(const TRecoveryCopy& copy);

    const std::string& Folder() const { return folder_; }

private:
    bool TakeName();
    bool WriteCopy(const std::vector<std::string>& lines, const std::string& designPath);
    void RemoveFilesOf(const std::string& name) const;

    std::string folder_;  // ".../Recovery/", "" when disabled
    std::string name_;
    int lockFd_ = -1;
    std::string copyPath_;
    std::vector<std::string> baseline_;
    std::vector<std::string> written_;
    std::string writtenFor_;
    bool editPending_ = false;
    std::optional<TClock::time_point> lastWrite_;
    TClock::time_point lastCheck_;
    std::map<std::string, int> held_;  // leftovers offered: name -> lock
};

}  // namespace pelmo
