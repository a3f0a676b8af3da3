#include "table/input_file.hpp"

#include <algorithm>
#include <cstring>

#include "io/errors.hpp"
#include "io/files.hpp"
#include "table/delimited.hpp"
#include "table/gunzip.hpp"

namespace coswitch {
namespace {

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// gzip's two magic bytes: a compressed table is read whatever its name.
bool looks_gzip(const std::string& data) {
    return data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0x1f &&
           static_cast<unsigned char>(data[1]) == 0x8b;
}

}  // namespace

void TextGuard::fail(std::uint64_t line, const std::string& what) const {
    throw RunError(kExitInput, at_line(name_, line) + what);
}

void TextGuard::feed(std::string_view piece) {
    if (const void* nul = std::memchr(piece.data(), '\0', piece.size())) {
        const auto at = static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data());
        fail(
            line_ + static_cast<std::uint64_t>(std::count(piece.begin(), piece.begin() + at, '\n')),
            "NUL byte: binary data, not a text table (compressed without a .gz name, or a "
            "spreadsheet's own format? save it as tab- or comma-separated text)");
    }
    std::size_t i = 0;
    while (i < piece.size()) {
        const void* lf = std::memchr(piece.data() + i, '\n', piece.size() - i);
        const std::size_t end =
            lf == nullptr ? piece.size()
                          : static_cast<std::size_t>(static_cast<const char*>(lf) - piece.data());
        const std::string_view part = piece.substr(i, end - i);
        line_bytes_ += part.size();
        text_.append(part);
        if (!line_has_text_) line_has_text_ = part.find_first_not_of(" \t\r") != part.npos;
        if (!line_has_cr_) line_has_cr_ = part.find('\r') != part.npos;
        if (line_bytes_ > kMaxLineBytes) {
            if (line_has_cr_) fail(line_, "lines end in CR alone; convert them to LF or CR LF");
            fail(line_, std::string("line longer than ") + kMaxLineText +
                            ", the most one line may hold: not a table of text lines?");
        }
        const std::uint64_t blank =
            line_has_text_ ? 0 : blank_bytes_ + line_bytes_ + (lf != nullptr);
        if (blank > kMaxLineBytes)
            fail(line_, std::string("more than ") + kMaxLineText +
                            " of blank lines in a row, the most a file may hold");
        if (lf == nullptr) break;
        blank_bytes_ = blank;
        // A table never holds one row twice; a gzip bomb often does, a
        // million times over.
        if (text_ == last_text_) {
            same_bytes_ += line_bytes_ + 1;
        } else {
            same_bytes_ = line_bytes_ + 1;
            same_from_ = line_;
        }
        if (same_bytes_ > kMaxLineBytes)
            fail(same_from_, std::string("this line repeats, over ") + kMaxLineText +
                                 " of it in a row: not a table of text lines?");
        text_.swap(last_text_);
        text_.clear();
        ++line_;
        line_bytes_ = 0;
        line_has_text_ = line_has_cr_ = false;
        i = end + 1;
    }
}

InputText read_input_text(const std::string& path, const std::string& name) {
    return input_text_of(read_whole_file(path, name), name, ends_with(path, ".gz"));
}

InputText input_text_of(std::string data, const std::string& name, bool gzip_name) {
    InputText in;
    in.text = std::move(data);
    in.file_bytes = in.text.size();
    TextGuard guard(name);
    if (gzip_name || looks_gzip(in.text))
        in.text = gunzip(in.text, name, [&](std::string_view piece) { guard.feed(piece); });
    else
        guard.feed(in.text);
    return in;
}

}  // namespace coswitch
