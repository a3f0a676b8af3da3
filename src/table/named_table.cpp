#include "table/named_table.hpp"

#include <limits>
#include <new>
#include <unordered_map>

#include "io/errors.hpp"
#include "table/cell_value.hpp"
#include "table/delimited.hpp"
#include "table/input_file.hpp"
#include "table/printable.hpp"

namespace coswitch {
namespace {

[[noreturn]] void fail_at(const std::string& name, std::uint64_t line, const std::string& what) {
    throw RunError(kExitInput, at_line(name, line) + what);
}

void read_rows(NamedTable& t, LineCursor& cursor) {
    const std::size_t width = t.samples.size() + 1;
    const double missing = std::numeric_limits<double>::quiet_NaN();
    std::unordered_map<std::string, std::uint64_t> first_line;  // id -> its line
    std::vector<std::string> cells;
    std::uint64_t blank_at = 0;  // a blank line seen, not yet followed by a row
    std::string_view line;
    while (cursor.next(line)) {
        const std::uint64_t no = cursor.line_number();
        if (is_blank_line(line)) {
            if (blank_at == 0) blank_at = no;
            continue;
        }
        if (blank_at != 0) fail_at(t.name, blank_at, "blank line inside the table");
        split_cells(line, t.separator, cells, t.name, no);
        if (cells.size() > width)
            fail_at(t.name, no,
                    std::to_string(cells.size()) + " cells, more than the " +
                        std::to_string(width) + " of the header line");
        if (t.row_names && cells.size() != width)
            fail_at(t.name, no,
                    std::to_string(cells.size()) + " cells; the rows before have " +
                        std::to_string(width) + ", one more than the header line (the ids " +
                        "unnamed, as R writes row names)");
        const std::string& id = cells[0];
        if (id.empty()) fail_at(t.name, no, "empty gene id");
        // Refused here, before any work, rather than by a result file that
        // cannot carry it.
        if (const char* fault = name_fault(id))
            fail_at(t.name, no, "gene id " + quoted(id) + " " + fault);
        const auto [it, fresh] = first_line.emplace(id, no);
        if (!fresh)
            fail_at(t.name, no,
                    "duplicate gene id " + quoted(id) + " (first on line " +
                        std::to_string(it->second) + ")");
        for (std::size_t s = 0; s + 1 < width; ++s) {
            double v = missing;
            if (s + 1 < cells.size() && read_cell(cells[s + 1], v) == CellKind::Invalid)
                fail_at(t.name, no,
                        describe_column(t, s) + ": " + quoted(cells[s + 1]) +
                            " is not a finite number or a missing value (empty, "
                            "NA, NaN, null)");
            t.values.push_back(v);
        }
        t.ids.push_back(id);
        t.lines.push_back(no);
    }
}

}  // namespace

std::string describe_column(const NamedTable& table, std::size_t sample) {
    if (table.samples[sample].empty()) return "column " + std::to_string(sample + 2) + " (no name)";
    return "column " + quoted(table.samples[sample]);
}

NamedTable read_named_table(const std::string& path, const std::string& shown_name) {
    try {
        return named_table_from(read_input_text(path, shown_name), shown_name);
    } catch (const std::bad_alloc&) {
        throw RunError(kExitInput, shown_name + ": out of memory while reading the table");
    } catch (const std::length_error&) {
        throw RunError(kExitInput, shown_name + ": out of memory while reading the table");
    }
}

NamedTable named_table_from(const InputText& in, const std::string& shown_name) {
    NamedTable t;
    t.name = shown_name;
    try {
        t.file_bytes = in.file_bytes;
        LineCursor cursor(in.text);
        std::string_view header;
        bool any = false;
        while ((any = cursor.next(header)) && is_blank_line(header)) {
        }
        if (!any) throw RunError(kExitInput, shown_name + ": empty file: no header line");
        const std::uint64_t header_line = cursor.line_number();
        // Old Mac exports end lines in CR alone: the whole table would be one header line.
        if (header.find('\r') != std::string_view::npos)
            fail_at(shown_name, header_line, "lines end in CR alone; convert them to LF or CR LF");
        t.separator = detect_separator(header, shown_name, header_line);
        std::vector<std::string> cells;
        split_cells(header, t.separator, cells, shown_name, header_line);
        // R writes row names under no header cell: the first row is one
        // cell longer than the header. R writes NA, never an empty cell: a
        // longer row that ends in one has a stray separator instead.
        std::vector<std::string> first;
        std::string_view row;
        for (LineCursor ahead = cursor; ahead.next(row);)
            if (!is_blank_line(row)) {
                split_cells(row, t.separator, first, shown_name, ahead.line_number());
                break;
            }
        t.row_names = first.size() == cells.size() + 1 && !first.back().empty();
        if (!t.row_names) {
            t.id_header = cells[0];
            cells.erase(cells.begin());
        }
        t.samples = std::move(cells);
        for (std::size_t s = 0; s < t.samples.size(); ++s)
            if (const char* fault = name_fault(t.samples[s]))
                fail_at(shown_name, header_line,
                        "column " + std::to_string(s + (t.row_names ? 1 : 2)) + ": sample name " +
                            quoted(t.samples[s]) + " " + fault);
        // Short rows are padded with missing values: a wide header and a few
        // bytes a row would otherwise ask for gigabytes.
        std::size_t rows = 0;
        for (LineCursor ahead = cursor; ahead.next(row);) rows += !is_blank_line(row);
        if (rows > 0 && t.samples.size() > kMaxTableValues / rows)
            throw RunError(kExitInput, shown_name + ": " + std::to_string(rows) + " gene rows x " +
                                           std::to_string(t.samples.size()) +
                                           " samples: more than " + kMaxTableValuesText +
                                           " values, the most one table may hold");
        t.values.reserve(rows * t.samples.size());
        read_rows(t, cursor);
        if (t.ids.empty())
            throw RunError(kExitInput, shown_name + ": no gene rows after the header line");
    } catch (const std::bad_alloc&) {
        throw RunError(kExitInput, shown_name + ": out of memory while reading the table");
    } catch (const std::length_error&) {
        throw RunError(kExitInput, shown_name + ": out of memory while reading the table");
    }
    return t;
}

}  // namespace coswitch
