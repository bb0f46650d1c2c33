#pragma once

#include <string>

// Putting a failure with a file into words: every message about a file names
// the file and the cause.

namespace pelmo {

// The system's words for an error number: "No such file or directory".
std::string SystemErrorText(int errorNumber);

// A fixed message with the file and the cause on a line of their own:
// "FileOpen failed\n/d/x.bkt: No such file or directory". Without a cause
// only the file is added.
std::string FileProblemText(const std::string& message, const std::string& path, const std::string& cause);

// Sets *why to `cause` when why is given (and the cause is not empty).
inline void SetWhy(std::string* why, const std::string& cause) {
    if (why && !cause.empty()) *why = cause;
}

}  // namespace pelmo
