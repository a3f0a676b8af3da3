#include "table/delimited.hpp"

#include "io/errors.hpp"

namespace coswitch {

LineCursor::LineCursor(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

bool LineCursor::next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', pos_);
    const std::size_t after = end == std::string_view::npos ? text_.size() : end + 1;
    if (end == std::string_view::npos) end = text_.size();
    if (end > pos_ && text_[end - 1] == '\r') --end;
    line = text_.substr(pos_, end - pos_);
    pos_ = after;
    ++number_;
    return true;
}

bool is_blank_line(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::string at_line(const std::string& name, std::uint64_t line) {
    return name + ":" + std::to_string(line) + ": ";
}

char detect_separator(std::string_view header, const std::string& name, std::uint64_t line) {
    if (header.find('\t') != std::string_view::npos) return '\t';
    if (header.find(',') != std::string_view::npos) return ',';
    throw RunError(kExitInput, at_line(name, line) +
                                   "cannot tell the separator: the header line holds no tab "
                                   "and no comma (tried tab, then comma)");
}

void split_cells(std::string_view line, char sep, std::vector<std::string>& cells,
                 const std::string& name, std::uint64_t line_no) {
    if (line.find('\0') != std::string_view::npos)
        throw RunError(kExitInput, at_line(name, line_no) +
                                       "NUL byte: binary data, not a text table (compressed "
                                       "without a .gz name?)");
    const auto blank = [sep](char c) { return c == ' ' || (c == '\t' && sep != '\t'); };
    cells.clear();
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        while (i < n && blank(line[i])) ++i;
        std::string cell;
        if (i < n && line[i] == '"') {
            const std::size_t open = i++;
            bool closed = false;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        cell += '"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                cell += line[i++];
            }
            if (!closed)
                throw RunError(kExitInput, at_line(name, line_no) + "quote opened in column " +
                                               std::to_string(cells.size() + 1) +
                                               " is not closed on this line (byte " +
                                               std::to_string(open + 1) + ")");
            while (i < n && blank(line[i])) ++i;
            if (i < n && line[i] != sep)
                throw RunError(kExitInput, at_line(name, line_no) +
                                               "text after the closing quote in column " +
                                               std::to_string(cells.size() + 1));
        } else {
            std::size_t end = line.find(sep, i);
            if (end == std::string_view::npos) end = n;
            std::size_t last = end;
            while (last > i && blank(line[last - 1])) --last;
            cell.assign(line.substr(i, last - i));
            i = end;
        }
        cells.push_back(std::move(cell));
        if (i >= n) break;
        ++i;  // the separator; a separator at the very end leaves one more empty cell
        if (i == n) {
            cells.emplace_back();
            break;
        }
    }
}

}  // namespace coswitch
