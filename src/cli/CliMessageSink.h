#pragma once

#include <iostream>

#include "base/MessageSink.h"

namespace pelmo::cli {

// Messages the GUI would show in a box go to stderr; questions get their
// default answer, No.
class StderrMessageSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { std::cerr << text << "\n"; }
    Answer Ask(const std::string& question, bool) override {
        std::cerr << question << " -> No\n";
        return Answer::No;
    }
};

}  // namespace pelmo::cli
