#pragma once
// Lines and cells of tab- or comma-separated text.
//
// Lines end in LF or CR LF; a UTF-8 byte-order mark before the first line is
// skipped. A cell is the text between two separators with surrounding
// blanks removed (spaces; tabs too when commas separate). A cell that starts
// with a double quote runs to the matching closing quote and loses both
// quotes; inside it "" stands for one " and the separator is plain text, so
// R's write.csv output reads. Quoted cells do not span lines.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace coswitch {

class LineCursor {
public:
    explicit LineCursor(std::string_view text);
    // The next line without its line end; false after the last.
    bool next(std::string_view& line);
    // 1-based number of the line last returned.
    std::uint64_t line_number() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::uint64_t number_ = 0;
};

// Empty or only spaces and tabs.
bool is_blank_line(std::string_view line);

// Tab when the header line holds one, else comma when it holds one; a
// RunError naming file and line when it holds neither.
char detect_separator(std::string_view header, const std::string& name, std::uint64_t line);

// The cells of one line (at least one; "a,,b," gives four). A RunError naming
// file and line for an unclosed quote, text after a closing quote, or a NUL byte.
void split_cells(std::string_view line, char sep, std::vector<std::string>& cells,
                 const std::string& name, std::uint64_t line_no);

// "name:line: " the start of every message about a line of a file.
std::string at_line(const std::string& name, std::uint64_t line);

}  // namespace coswitch
