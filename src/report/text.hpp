#pragma once
// Text helpers of the reports: words and lines, widths, escapes.
#include <cstddef>
#include <string>
#include <vector>

#include "io/utf8.hpp"

namespace coswitch {

// A blank between words: space, tab or carriage return.
bool is_blank(char c);
// Words separated by blanks.
std::vector<std::string> split_words(const std::string& line);
// Lines without their line ends (LF or CR LF).
std::vector<std::string> split_lines(const std::string& text);
// The cells of a line of the program's own tab-separated files, exactly as
// written (no quotes, no blanks removed).
std::vector<std::string> split_tabs(const std::string& line);

// Display width of UTF-8 text: one column per code point.
std::size_t text_width(const std::string& s);

// Aligned columns, each line starting with a blank: names to the left
// where left[c], numbers to the right.
std::string aligned(const std::vector<std::vector<std::string>>& cells,
                    const std::vector<bool>& left);

// Text for XML content or a quoted attribute value: markup characters and
// tab, LF, CR as references; a byte XML cannot hold at all (another
// control character, one outside well-formed UTF-8) as the text \xHH.
std::string xml_escape(const std::string& s);

}  // namespace coswitch
