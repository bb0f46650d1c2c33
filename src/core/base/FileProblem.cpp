#include "base/FileProblem.h"

#include <cstring>

namespace pelmo {

std::string SystemErrorText(int errorNumber) {
    char buf[256];
    // The GNU strerror_r returns its text, which need not be in buf.
    const char* text = ::strerror_r(errorNumber, buf, sizeof buf);
    return text ? std::string(text) : "error " + std::to_string(errorNumber);
}

std::string FileProblemText(const std::string& message, const std::string& path, const std::string& cause) {
    return message + "\n" + path + (cause.empty() ? std::string() : ": " + cause);
}

}  // namespace pelmo
