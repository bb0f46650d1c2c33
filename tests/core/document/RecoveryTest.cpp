#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "TestSupport.h"
#include "base/TextFile.h"
#include "document/DocumentFlow.h"
#include "document/Recovery.h"
#include "document/Session.h"
#include "files/DesignFile.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::ReadWholeFile;
using pelmo::test::RecordingMessageSink;
using pelmo::test::TempFolder;
using pelmo::test::WriteWholeFile;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using TClock = TRecovery::TClock;

namespace {

std::vector<std::string> Lines(TDesign& d) {
    RecordingMessageSink quiet;
    std::vector<std::string> lines;
    EXPECT_TRUE(BuildDesignLines(d, lines, quiet));
    return lines;
}

// The files of the recovery folder, by name.
std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The two-way example opened from a folder of its own: two drivers whose
// measurement files the copies must carry.
struct Example {
    TempFolder tmp;
    std::string data = tmp.Path() + "data/";
    std::string path = tmp.Path() + "designs/TwoWay.bkt";
    TDesign d;

    Example() {
        fs::create_directories(tmp.Path() + "designs");
        fs::create_directories(data);
        fs::copy_file(std::string(PELMO_SOURCE_DIR) + "/examples/TwoWay.bkt", path);
        RecordingMessageSink messages;
        EXPECT_TRUE(OpenDesignFile(d, path, messages));
        EXPECT_TRUE(messages.Messages.empty());
    }
    // An edit: a resistor more.
    void Edit(int x = 40) {
        AddPart(d, TPartType::Resistor, {x, 60}, true);
        d.Modified = true;
    }
};

// Runs `work` in a child process that ends as a crash does (work ends with
// Crash()): no destructor runs, the system drops its locks.
[[noreturn]] void Crash() {
    ::raise(SIGKILL);
    ::_exit(1);
}
template <class Work>
void InAProgramThatCrashes(Work work) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        work();
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child failed before its end";
}

// A copy left behind by a program that crashed after an edit.
void LeaveCopy(const std::string& data, TDesign& d) {
    InAProgramThatCrashes([&] {
        TRecovery r(data);
        r.NoteEdit();
        if (!r.Update(d, TClock::now()) || r.CopyPath().empty()) ::_exit(2);
        Crash();
    });
}

TEST(Recovery, WritesWhenDueAndAtMostEveryEditInterval) {
    TempFolder tmp;
    TDesign d;
    const TClock::time_point t0{};  // any start
    TRecovery r(tmp.Path(), t0 + 1000s);
    const auto start = t0 + 1000s;
    // Nothing to do for a clean design; a modified one is looked at once a minute.
    EXPECT_FALSE(r.NextUpdate(d));
    d.Modified = true;
    EXPECT_EQ(r.NextUpdate(d), start + TRecovery::Interval);
    // After an edit: at once, as long as nothing was written yet...
    AddPart(d, TPartType::Resistor, {10, 10}, true);
    r.NoteEdit();
    ASSERT_TRUE(r.NextUpdate(d));
    EXPECT_LE(*r.NextUpdate(d), start);
    ASSERT_TRUE(r.Update(d, start + 2s));
    EXPECT_FALSE(r.CopyPath().empty());
    // ... then no sooner than EditInterval after the last copy.
    EXPECT_EQ(r.NextUpdate(d), start + 2s + TRecovery::Interval);
    r.NoteEdit();
    EXPECT_EQ(r.NextUpdate(d), start + 2s + TRecovery::EditInterval);
    // Saved: the copy goes at the next update, and nothing waits any more.
    d.Modified = false;
    ASSERT_TRUE(r.Update(d, start + 3s));
    EXPECT_TRUE(r.CopyPath().empty());
    EXPECT_FALSE(r.NextUpdate(d));

    // No data folder: never anything to do.
    TRecovery none("");
    none.NoteEdit();
    d.Modified = true;
    EXPECT_FALSE(none.NextUpdate(d));
}

TEST(Recovery, ACopyIsTheModifiedDesignAsASaveWritesItAndGoesWithTheChanges) {
    Example e;
    TRecovery r(e.data);
    const std::string folder = e.data + "Recovery/";
    // The design as opened is the baseline: no copy for it, even when marked modified.
    ASSERT_TRUE(r.Update(e.d, TClock::now()));
    e.d.Modified = true;
    ASSERT_TRUE(r.Update(e.d, TClock::now()));
    EXPECT_TRUE(r.CopyPath().empty());
    EXPECT_TRUE(Files(folder).empty());

    e.Edit();
    ASSERT_TRUE(r.Update(e.d, TClock::now()));
    ASSERT_FALSE(r.CopyPath().empty());
    const std::string name = r.Name();
    EXPECT_EQ(r.CopyPath(), folder + name + ".bkt");
    EXPECT_EQ(Files(folder), (std::vector<std::string>{name + ".bkt", name + ".ini", name + ".lock"}));
    // What a save of the design writes, measurement files embedded.
    const std::string saved = e.tmp.Path() + "saved.bkt";
    RecordingMessageSink quiet;
    ASSERT_TRUE(WriteDesign(e.d, saved, quiet));
    EXPECT_EQ(ReadWholeFile(r.CopyPath()), ReadWholeFile(saved));
    EXPECT_NE(ReadWholeFile(saved).find("**FRD 1 for driver 0"), std::string::npos);
    EXPECT_NE(ReadWholeFile(folder + name + ".ini").find("Design=" + e.path), std::string::npos);

    // Undone back to the state opened: the copy goes.
    e.d.Parts.pop_back();
    ASSERT_TRUE(r.Update(e.d, TClock::now()));
    EXPECT_TRUE(r.CopyPath().empty());
    EXPECT_EQ(Files(folder), std::vector<std::string>{name + ".lock"});

    // A normal end takes the copy and the lock.
    e.Edit();
    ASSERT_TRUE(r.Update(e.d, TClock::now()));
    EXPECT_FALSE(r.CopyPath().empty());
    {
        TRecovery gone(e.data);
        gone.NoteEdit();
        ASSERT_TRUE(gone.Update(e.d, TClock::now()));
        EXPECT_NE(gone.Name(), name);  // a second object of this program has its own name
    }
    EXPECT_EQ(Files(folder).size(), 3u);
}

TEST(Recovery, OffersOnlyTheCopiesOfProgramsThatAreGone) {
    Example e;
    e.Edit();
    LeaveCopy(e.data, e.d);

    // A program that runs: its copy is not offered.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t running = ::fork();
    ASSERT_GE(running, 0);
    struct TEnd {
        pid_t pid;
        ~TEnd() {
            if (pid > 0 && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
        }
    } end{running};
    if (running == 0) {
        TRecovery r(e.data);
        r.NoteEdit();
        r.Update(e.d, TClock::now());
        char c = 1;
        if (::write(ready[1], &c, 1) != 1) ::_exit(2);
        ::pause();
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);

    TRecovery r(e.data);
    const auto found = r.FindLeftovers();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].DesignPath, e.path);
    EXPECT_NEAR(static_cast<double>(found[0].WrittenAt), static_cast<double>(std::time(nullptr)), 60);
    // Held while offered: a second program does not offer it as well.
    TRecovery other(e.data);
    EXPECT_TRUE(other.FindLeftovers().empty());

    // Once the running program is gone, its copy is offered too.
    ::kill(running, SIGKILL);
    ::waitpid(running, nullptr, 0);
    end.pid = 0;
    const auto more = other.FindLeftovers();
    ASSERT_EQ(more.size(), 1u);
    EXPECT_NE(more[0].Name, found[0].Name);
}

TEST(Recovery, LaterKeepsACopyDiscardDeletesItAndWhatIsLeftOverIsCleared) {
    Example e;
    e.Edit();
    LeaveCopy(e.data, e.d);
    const std::string folder = e.data + "Recovery/";
    // What crashed programs leave without a copy: a lock, information
    // without a copy, a write they did not finish.
    WriteWholeFile(folder + "20000101-000000-1.lock", "");
    WriteWholeFile(folder + "20000101-000000-2.ini", "[Recovery]\r\n");
    WriteWholeFile(folder + ".20000101-000000-3.bkt.a1b2c3", "half");
    {
        TRecovery r(e.data);
        const auto found = r.FindLeftovers();
        ASSERT_EQ(found.size(), 1u);
        const std::string name = found[0].Name;
        EXPECT_EQ(Files(folder), (std::vector<std::string>{name + ".bkt", name + ".ini", name + ".lock"}));
        r.Release(found[0]);  // Later
    }
    TRecovery r(e.data);
    const auto found = r.FindLeftovers();
    ASSERT_EQ(found.size(), 1u);
    r.Discard(found[0]);
    EXPECT_TRUE(Files(folder).empty());
    EXPECT_TRUE(r.FindLeftovers().empty());
}

TEST(Recovery, NewestFirstAndUntitledDesignsToo) {
    Example e;
    e.Edit(40);
    LeaveCopy(e.data, e.d);
    TDesign untitled;
    AddPart(untitled, TPartType::Capacitor, {20, 20}, false);
    untitled.Modified = true;
    LeaveCopy(e.data, untitled);
    // Both written this second: the titled one's information says it is older.
    TRecovery r(e.data);
    auto found = r.FindLeftovers();
    ASSERT_EQ(found.size(), 2u);
    for (auto& c : found) r.Release(c);
    const auto older = std::find_if(found.begin(), found.end(), [](const auto& c) { return !c.DesignPath.empty(); });
    ASSERT_NE(older, found.end());
    WriteWholeFile(e.data + "Recovery/" + older->Name + ".ini",
                   "[Recovery]\r\nDesign=" + e.path + "\r\nWritten=946684800\r\n");
    found = r.FindLeftovers();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].DesignPath, "");
    EXPECT_EQ(found[1].DesignPath, e.path);
    EXPECT_EQ(found[1].WrittenAt, 946684800);

    // The question names the design (or says it has none) and the time.
    const std::string q = RecoveryQuestionText(found[1]);
    EXPECT_NE(q.find("TwoWay.bkt"), std::string::npos) << q;
    EXPECT_NE(q.find("(" + e.path + ")"), std::string::npos) << q;
    EXPECT_NE(q.find("2000-01-01"), std::string::npos) << q;
    EXPECT_NE(RecoveryQuestionText(found[0]).find("an untitled design"), std::string::npos);
}

// The whole way through a session: a program edits and crashes; the next one
// recovers the edit, keeps its own copy of it, and a save ends it.
TEST(Recovery, ASessionRecoversTheEditOfAProgramThatCrashed) {
    Example e;
    e.Edit(44);
    const std::vector<std::string> edited = Lines(e.d);
    LeaveCopy(e.data, e.d);

    RecordingMessageSink messages;
    TSession s(messages, e.data);
    TDocumentHooks hooks;
    std::string saveAs;
    hooks.ChooseSaveFile = [&](const std::string&, const std::string&) { return saveAs; };
    s.Document().SetHooks(hooks);
    s.ResetHistory();
    auto found = s.Recovery().FindLeftovers();
    ASSERT_EQ(found.size(), 1u);
    const std::string old = found[0].CopyPath;
    int replaced = 0;
    ASSERT_TRUE(s.RecoverLeftover(found[0], [&] { ++replaced; }));
    EXPECT_EQ(replaced, 1);
    EXPECT_TRUE(messages.Messages.empty());
    EXPECT_EQ(s.Design().FileName, e.path);
    EXPECT_TRUE(s.Design().Modified);
    ASSERT_EQ(s.Design().Drivers.size(), e.d.Drivers.size());
    EXPECT_EQ(s.Design().Drivers[0]->Acoustic.Response.Re, e.d.Drivers[0]->Acoustic.Response.Re);
    EXPECT_EQ(Lines(s.Design()), edited);
    EXPECT_EQ(s.RecentFiles().Files(), std::vector<std::string>{e.path});
    // This program's copy took over from the one left behind.
    EXPECT_FALSE(fs::exists(old));
    ASSERT_FALSE(s.Recovery().CopyPath().empty());
    EXPECT_EQ(ReadWholeFile(s.Recovery().CopyPath()), EncodeTextLines(edited));

    // The copy was just written: the next edit's copy follows EditInterval later.
    AddPart(s.Design(), TPartType::Inductor, {60, 60}, true);
    s.CommitEdit();
    ASSERT_TRUE(s.NextRecoveryUpdate());
    EXPECT_GT(*s.NextRecoveryUpdate(), TClock::now());
    ASSERT_TRUE(s.UpdateRecovery());

    // Saved to its own file: the copy goes.
    ASSERT_TRUE(s.Document().Save());
    ASSERT_TRUE(s.UpdateRecovery());
    EXPECT_TRUE(s.Recovery().CopyPath().empty());
    EXPECT_TRUE(Files(e.data + "Recovery/").size() == 1u);  // the lock of the program that runs
    TDesign reread;
    ASSERT_TRUE(OpenDesignFile(reread, e.path, messages));
    EXPECT_EQ(reread.Parts.size(), e.d.Parts.size() + 1);
}

TEST(Recovery, AModifiedDesignIsOfferedASaveBeforeACopyReplacesIt) {
    Example e;
    e.Edit();
    LeaveCopy(e.data, e.d);
    RecordingMessageSink messages;
    TSession s(messages, e.data);
    AddText(s.Design(), {1, 1}, "mine");
    s.Design().Modified = true;
    auto found = s.Recovery().FindLeftovers();
    ASSERT_EQ(found.size(), 1u);
    // Yes, but the Save dialog is cancelled: the design stays, and so does the
    // copy; nothing is wrong with it.
    messages.Answers = {MessageSink::Answer::Yes};
    std::string why;
    EXPECT_FALSE(s.RecoverLeftover(found[0], {}, &why));
    EXPECT_EQ(why, "");
    EXPECT_EQ(messages.Questions, std::vector<std::string>{"Save current design?"});
    EXPECT_EQ(s.Design().Texts.size(), 1u);
    EXPECT_TRUE(fs::exists(found[0].CopyPath));
    // A copy that cannot be read is kept as well, and the caller learns why.
    WriteWholeFile(found[0].CopyPath, "not a design\r\n");
    messages.Answers = {MessageSink::Answer::No};
    EXPECT_FALSE(s.RecoverLeftover(found[0], {}, &why));
    EXPECT_EQ(why, "damaged or not a design file: line 2 missing");
    EXPECT_TRUE(fs::exists(found[0].CopyPath));
    EXPECT_TRUE(s.RecentFiles().Files().empty());
}

}  // namespace
