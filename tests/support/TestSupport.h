#pragma once

#include <sys/resource.h>

#include <ostream>
#include <string>
#include <vector>

#include "base/MessageSink.h"
#include "model/Elements.h"
#include "model/GraphKind.h"
#include "model/TextMetrics.h"

namespace pelmo {
// The numbers of the element kinds, part types and states and graph kinds in
// test messages.
inline std::ostream& operator<<(std::ostream& os, TGraphKind k) { return os << ToInt(k); }
inline std::ostream& operator<<(std::ostream& os, TElementKind k) { return os << ToInt(k); }
inline std::ostream& operator<<(std::ostream& os, TPartType t) { return os << ToInt(t); }
inline std::ostream& operator<<(std::ostream& os, TPartState s) { return os << ToInt(s); }
}  // namespace pelmo

namespace pelmo::test {

// Records every message and answers questions from a script (default No).
class RecordingMessageSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    Answer Ask(const std::string& question, bool withCancel) override;

    std::vector<std::string> Messages;
    std::vector<std::string> Questions;
    std::vector<bool> WithCancel;  // of each question: was Cancel offered
    std::vector<Answer> Answers;   // consumed front to back
};

// Every character is `CharWidth` pixels wide and a line `Height` pixels high,
// whatever the font size: layouts become easy to predict.
class FixedTextMetrics : public TextMetrics {
public:
    FixedTextMetrics(int charWidth, int height) : CharWidth(charWidth), Height(height) {}
    TextExtent Measure(const std::string& text, int pixelSize) const override;
    int CharWidth;
    int Height;
};

// A fresh empty folder under the build's temporary area, removed at exit of
// the object. Path ends with "/".
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Path of a file in tests/data.
std::string DataFile(const std::string& name);

// Copies the shipped example `name` (e.g. "TwoWay.bkt") into the folder and
// gives the copy's path.
std::string CopyExample(const TempFolder& folder, const std::string& name);

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& text);

// Limits the size of files this process may write, for the life of the
// object: writes beyond it fail (a full disk, as far as the writer can tell).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

}  // namespace pelmo::test

namespace pelmo::test {

struct CommandResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// Runs pelmo-cli with the given arguments (each passed as one argument).
CommandResult RunCli(const std::vector<std::string>& args);

}  // namespace pelmo::test
