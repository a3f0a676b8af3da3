#pragma once
// The text of an input file named on the command line, gzip or not.
//
// Limits, so that a pathological file (a gzip bomb: a few megabytes that
// expand to gigabytes) is refused with a message rather than by the
// kernel: a line holds at most kMaxLineBytes, blank lines in a row and one
// line repeated in a row take at most as much, and a NUL byte (binary data)
// ends the reading where it is found. Gzip data is checked as it expands.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace coswitch {

inline constexpr std::uint64_t kMaxLineBytes = std::uint64_t{16} << 20;  // 16 MiB
inline constexpr const char* kMaxLineText = "16 MiB";

struct InputText {
    std::string text;              // decompressed when the file is gzip
    std::uint64_t file_bytes = 0;  // size of the file as stored
};

// The whole regular file (read_whole_file: only regular files, errors naming
// `name`), gunzipped when path ends in ".gz" or the data starts as gzip
// does; RunError naming the file and line for a NUL byte or a limit passed.
InputText read_input_text(const std::string& path, const std::string& name);

// The same of a file's bytes already read; gzip_name: its name ends in ".gz".
InputText input_text_of(std::string data, const std::string& name, bool gzip_name);

// The checks above on text given piece by piece.
class TextGuard {
public:
    explicit TextGuard(std::string name) : name_(std::move(name)) {}
    void feed(std::string_view piece);

private:
    [[noreturn]] void fail(std::uint64_t line, const std::string& what) const;
    std::string name_;
    std::uint64_t line_ = 1;        // the line being read
    std::uint64_t line_bytes_ = 0;  // of it so far, without its LF
    bool line_has_text_ = false;    // something other than blanks in it
    bool line_has_cr_ = false;
    std::uint64_t blank_bytes_ = 0;  // blank lines just before it
    std::string text_, last_text_;   // it so far, and the line before it
    std::uint64_t same_bytes_ = 0;   // lines equal to the last one, in a row up to it
    std::uint64_t same_from_ = 1;    // where they start
};

}  // namespace coswitch
