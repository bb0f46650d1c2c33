#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading and writing the program's line-oriented text files. Where a
// function takes `why`, a failure puts its cause there in words ("No such
// file or directory", "File too large"); a caller that has nobody to tell
// passes nothing.

namespace pelmo {

// Larger than any file the program reads (designs with their embedded
// measurements stay far below): a file beyond it is refused unread, so a huge
// or sparse file cannot exhaust the memory.
inline constexpr std::size_t MaxReadFileBytes = std::size_t{256} << 20;

// No text file of the program comes near these either (a design with its
// measurements embedded has a few thousand lines; a line, a few dozen
// characters). A file beyond either limit is refused, so that neither
// millions of empty lines nor one endless line can exhaust the memory of a
// reader that keeps lines.
inline constexpr std::size_t MaxTextLines = std::size_t{1} << 21;
inline constexpr std::size_t MaxTextLineBytes = std::size_t{1} << 20;

// "" when the path names a regular file that can be opened for reading and
// is no larger than MaxReadFileBytes; otherwise why not. Nothing is read.
std::string ReadableFileProblem(const std::string& path);

// The bytes of a regular file; nullopt when the file is missing, unreadable,
// not a regular file (a folder, a device) or larger than MaxReadFileBytes.
std::optional<std::string> ReadFileBytes(const std::string& path, std::string* why = nullptr);

// Hands the lines of a file to `onLine` one at a time (raw bytes without the
// line end; lines end as SplitLines has them), reading the file in pieces so
// that it is never held whole. False when the file cannot be read (as
// ReadFileBytes), has more than MaxTextLines lines or a line longer than
// MaxTextLineBytes, or when `onLine` returns false to stop (`why` is then
// left alone: the caller knows its own reason).
bool ForEachFileLine(const std::string& path, const std::function<bool(std::string_view line)>& onLine,
                     std::string* why = nullptr);

// Splits text at CR LF, LF or a lone CR. A line end after the last line does
// not start another line; "a\r\rb" gives "a", "", "b".
std::vector<std::string> SplitLines(std::string_view text);

// A Windows-1252 text file as UTF-8 lines; nullopt when it cannot be read
// (as ForEachFileLine) or its lines do not fit into memory.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& path, std::string* why = nullptr);

// UTF-8 lines as Windows-1252 text with CR LF after every line.
std::string EncodeTextLines(const std::vector<std::string>& lines);

// Replaces the file's content without ever leaving a half-written file under
// its name: the bytes go to a temporary file in the same folder, which is then
// renamed over the target. On failure the old file is untouched and the
// temporary file removed. A replaced file keeps its permission bits; a
// symbolic link under the name is replaced, not followed. With `durable` the
// data reach the disk before the rename (for the user's own files; copies that
// can be made again skip the cost).
bool WriteFileAtomically(const std::string& path, std::string_view bytes, bool durable = true,
                         std::string* why = nullptr);

// EncodeTextLines + WriteFileAtomically.
bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines, bool durable = true,
                    std::string* why = nullptr);

}  // namespace pelmo
