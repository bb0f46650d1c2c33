#pragma once

#include <string>

namespace pelmo {

// How the core shows its fixed message texts and asks its questions. The GUI
// shows message boxes, the CLI writes to stderr, tests record.
class MessageSink {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~MessageSink() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;

    // A question with Yes and No, plus Cancel when withCancel is set.
    virtual Answer Ask(const std::string& question, bool withCancel) = 0;
};

// Shows nothing and answers No; for callers that have nobody to tell.
class SilentMessageSink : public MessageSink {
public:
    void ShowMessage(const std::string&) override {}
    Answer Ask(const std::string&, bool) override { return Answer::No; }
};

}  // namespace pelmo
