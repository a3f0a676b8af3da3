#include "table/design_file.hpp"

#include <algorithm>
#include <unordered_map>

#include "io/errors.hpp"
#include "table/cell_value.hpp"
#include "table/delimited.hpp"
#include "table/input_file.hpp"
#include "table/labelled_design.hpp"
#include "table/printable.hpp"

namespace coswitch {
namespace {

constexpr std::size_t kAmbiguous = static_cast<std::size_t>(-1);

// Selected columns by name; kAmbiguous for a name that several of them share.
std::unordered_map<std::string, std::size_t> by_name(const NamedTable& table,
                                                     const std::vector<std::size_t>& selected) {
    std::unordered_map<std::string, std::size_t> out;
    for (std::size_t s : selected) {
        const auto [it, fresh] = out.emplace(table.samples[s], s);
        if (!fresh) it->second = kAmbiguous;
    }
    return out;
}

void list_unknown(const std::string& name, const NamedTable& table,
                  const std::vector<std::string>& unknown,
                  const std::vector<std::uint64_t>& lines) {
    std::string list;
    std::size_t k = 0;
    for (; k < unknown.size() && k < 5; ++k) {
        const std::string item = (k == 0 ? "" : ", ") + quoted(unknown[k]) + " (line " +
                                 std::to_string(lines[k]) + ")";
        if (k > 0 && list.size() + item.size() > 200) break;  // one short line
        list += item;
    }
    if (k < unknown.size()) list += " and " + std::to_string(unknown.size() - k) + " more";
    throw RunError(kExitInput, name + ": " + std::to_string(unknown.size()) +
                                   " sample(s) not among the selected columns of " + table.name +
                                   ": " + list);
}

// A first line whose time is not a number is a header only when it looks
// like one: a mistyped time on a sample's line (t1 1x A) must not make
// that sample vanish silently.
bool looks_like_header(const std::vector<std::string>& cells, const NamedTable& table) {
    std::string time = cells[1].substr(0, 4);
    for (char& c : time) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return time == "time" ||
           std::find(table.samples.begin(), table.samples.end(), cells[0]) == table.samples.end();
}

}  // namespace

Design design_from_file(const NamedTable& table, const std::vector<std::size_t>& selected,
                        const std::string& path, const std::string& shown_name,
                        bool holes_allowed) {
    return design_from_text(table, selected, read_input_text(path, shown_name), shown_name,
                            holes_allowed);
}

Design design_from_text(const NamedTable& table, const std::vector<std::size_t>& selected,
                        const InputText& in, const std::string& shown_name,
                        bool holes_allowed) {
    const auto columns = by_name(table, selected);
    std::unordered_map<std::size_t, std::uint64_t> line_of;  // sample -> design line
    std::vector<LabelledSample> samples;
    std::vector<std::string> unknown;
    std::vector<std::uint64_t> unknown_lines;
    std::vector<std::string> cells;
    LineCursor cursor(in.text);
    std::string_view line;
    char sep = 0;
    while (cursor.next(line)) {
        const std::uint64_t no = cursor.line_number();
        if (is_blank_line(line)) continue;
        const bool first = sep == 0;
        if (first) sep = detect_separator(line, shown_name, no);
        split_cells(line, sep, cells, shown_name, no);
        if (cells.size() != 3)
            throw RunError(kExitInput, at_line(shown_name, no) + std::to_string(cells.size()) +
                                           " cells; a design line holds sample, time, replicate");
        LabelledSample s;
        if (read_cell(cells[1], s.time_value) != CellKind::Number) {
            if (first && looks_like_header(cells, table)) continue;
            throw RunError(kExitInput, at_line(shown_name, no) + "time " + quoted(cells[1]) +
                                           " is not a number");
        }
        if (cells[2].empty())
            throw RunError(kExitInput, at_line(shown_name, no) + "empty replicate");
        // design.tsv and the report carry the label as sample names are carried.
        if (const char* fault = name_fault(cells[2]))
            throw RunError(kExitInput, at_line(shown_name, no) + "replicate " + quoted(cells[2]) +
                                           " " + fault);
        const auto it = columns.find(cells[0]);
        if (it == columns.end()) {
            unknown.push_back(cells[0]);
            unknown_lines.push_back(no);
            continue;
        }
        if (it->second == kAmbiguous)
            throw RunError(kExitInput, at_line(shown_name, no) + "sample " + quoted(cells[0]) +
                                           " names several selected columns of " + table.name);
        const auto [seen, fresh] = line_of.emplace(it->second, no);
        if (!fresh)
            throw RunError(kExitInput, at_line(shown_name, no) + "sample " + quoted(cells[0]) +
                                           " again (first on line " + std::to_string(seen->second) +
                                           ")");
        s.sample = it->second;
        s.time = cells[1];
        s.replicate = cells[2];
        s.where = shown_name + ":" + std::to_string(no);
        samples.push_back(std::move(s));
    }
    if (!unknown.empty()) list_unknown(shown_name, table, unknown, unknown_lines);
    if (samples.empty()) throw RunError(kExitInput, shown_name + ": no samples in the design");
    return design_from_labels(samples, "--design " + shown_name, "its time and replicate columns",
                              holes_allowed);
}

}  // namespace coswitch
