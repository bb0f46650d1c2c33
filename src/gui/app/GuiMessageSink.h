#pragma once

#include "base/MessageSink.h"

class QWidget;

namespace pelmo {

// The program's fixed messages and questions as message boxes titled "Pelmo".
class TGuiMessageSink : public MessageSink {
public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ShowMessage(const std::string& text) override;
    Answer Ask(const std::string& question, bool withCancel) override;

private:
    QWidget* parent_ = nullptr;
};

}  // namespace pelmo
