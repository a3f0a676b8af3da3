#include "run/readers.hpp"

#include <cstring>

#include "io/errors.hpp"
#include "io/quoted.hpp"

namespace coswitch {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

[[noreturn]] void bad_line(const std::string& name, long long line_no, const std::string& what) {
    throw RunError(kExitInput, name + ":" + std::to_string(line_no) + ": " + what);
}

}  // namespace

void read_free_form(const std::string& path, const std::string& name, long long reads, int count,
                    const std::function<void(long long, int, double)>& store,
                    const std::function<std::string(long long)>& describe,
                    const ValueCheck& check) {
    parse_free_form(read_whole_file(path, name), name, reads, count, store, describe, check);
}

void parse_free_form(const std::string& data, const std::string& name, long long reads, int count,
                     const std::function<void(long long, int, double)>& store,
                     const std::function<std::string(long long)>& describe,
                     const ValueCheck& check) {
    std::size_t pos = 0;  // start of the current line
    long long line_no = 0;
    std::string token;
    for (long long rd = 1; rd <= reads; ++rd) {
        int taken = 0;
        if (count <= 0) {
            // A read of no values still moves to the next line, if there is one.
            if (pos < data.size()) {
                const std::size_t nl = data.find('\n', pos);
                pos = nl == std::string::npos ? data.size() : nl + 1;
                ++line_no;
            }
            continue;
        }
        while (taken < count) {
            if (pos >= data.size())
                bad_line(name, line_no,
                         "end of file during the read of " + describe(rd) + ": " +
                             std::to_string(taken) + " of " + std::to_string(count) +
                             " values found");
            ++line_no;
            std::size_t end = data.find('\n', pos);
            if (end == std::string::npos) end = data.size();
            // In a line with a tab, tabs separate cells (a spreadsheet's export),
            // and an empty cell would shift every value after it.
            const bool cells = std::memchr(data.data() + pos, '\t', end - pos) != nullptr;
            int cell = 1;
            bool cell_has_value = false;
            std::size_t i = pos;
            bool need_value = true;  // a comma here would be an empty value
            while (taken < count) {
                while (i < end && is_blank(data[i]) && !(cells && data[i] == '\t')) ++i;
                if (cells && (i >= end || data[i] == '\t')) {
                    if (!cell_has_value)
                        bad_line(name, line_no,
                                 "empty cell " + std::to_string(cell) +
                                     " in a tab-separated line (" +
                                     (cell == 1    ? "before the first tab"
                                      : i >= end ? "after the last tab"
                                                 : "nothing between two tabs") +
                                     ")");
                    if (i >= end) break;
                    ++i;
                    ++cell;
                    cell_has_value = false;
                    continue;
                }
                if (i >= end) break;
                if (data[i] == ',') {
                    if (need_value) bad_line(name, line_no, "empty value between commas");
                    need_value = true;
                    ++i;
                    continue;
                }
                const std::size_t start = i;
                while (i < end && !is_blank(data[i]) && data[i] != ',') ++i;
                token.assign(data, start, i - start);
                double v = 0.0;
                if (!parse_number(token, v))
                    bad_line(name, line_no, "cannot read " + shown_value(token) + " as a number");
                ++taken;
                if (check) {
                    const std::string why = check(rd, taken, v, token);
                    if (!why.empty()) bad_line(name, line_no, why);
                }
                store(rd, taken, v);
                need_value = false;
                cell_has_value = true;
            }
            pos = end < data.size() ? end + 1 : data.size();
        }
    }
}

void read_realdata(const std::string& dir, const RunParameters& p, Inputs& in) {
    const long long nrep = extent(p.NREP);
    const std::string path = path_in(dir, "realdata.txt");
    read_free_form(
        path, path, data_rows(p), p.NGENE,
        [&](long long m, int g, double v) { in.MODTCELL44(m, g) = v; },
        [nrep](long long m) {
            return "time point " + std::to_string((m - 1) / nrep + 1) + ", replicate " +
                   std::to_string((m - 1) % nrep + 1);
        });
}

void read_para(const std::string& dir, const std::string& name, const RunParameters& p,
               Array<double, 2>& para) {
    const std::string path = path_in(dir, name);
    read_free_form(
        path, path, 2, parameter_columns(p),
        [&](long long row, int c, double v) { para(row, c) = v; },
        [](long long row) {
            return std::string(row == 1 ? "the means" : "the standard deviations");
        },
        [](long long row, int c, double v, std::string_view text) {
            // A negative deviation gives negative densities, on which the fits
            // run to their pass limit; 0 stays allowed.
            if (row == 2 && v < 0.0)
                return "the standard deviation of column " + std::to_string(c) + ", " +
                       shown_value(text) + ", is negative";
            return std::string();
        });
}

}  // namespace coswitch
