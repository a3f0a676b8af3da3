#include "run/readers.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "io/errors.hpp"

namespace coswitch {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }


}  // namespace




void read_free_form(const std::string& path, const std::string& name, int reads, int count,
                    const std::function<void(int, int, double)>& store,
                    const std::function<std::string(int)>& describe) {
    const std::string data = read_whole_file(path, name);
    std::size_t pos = 0;  // start of the current line
    int line_no = 0;
    std::string token;
    for (int rd = 1; rd <= reads; ++rd) {
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
                throw RunError(kExitInput, name + ":" + std::to_string(line_no) +
                                               ": end of file during the read of " +
                                               describe(rd) + ": " + std::to_string(taken) +
                                               " of " + std::to_string(count) +
                                               " values found");
            ++line_no;
            std::size_t end = data.find('\n', pos);
            if (end == std::string::npos) end = data.size();
            std::size_t i = pos;
            bool need_value = true;  // a comma here would be an empty value
            while (taken < count) {
                while (i < end && is_blank(data[i])) ++i;
                if (i >= end) break;
                if (data[i] == ',') {
                    if (need_value)
                        throw RunError(kExitInput, name + ":" + std::to_string(line_no) +
                                                       ": empty value between commas");
                    need_value = true;
                    ++i;
                    continue;
                }
                const std::size_t start = i;
                while (i < end && !is_blank(data[i]) && data[i] != ',') ++i;
                token.assign(data, start, i - start);
                double v = 0.0;
                if (!parse_number(token, v))
                    throw RunError(kExitInput, name + ":" + std::to_string(line_no) +
                                                   ": cannot read \"" + token +
                                                   "\" as a number");
                store(rd, ++taken, v);
                need_value = false;
            }
            pos = end < data.size() ? end + 1 : data.size();
        }
    }
}

void read_realdata(const std::string& dir, const RunParameters& p, Inputs& in) {
    const int nrep = p.NREP;
    read_free_form(
        path_in(dir, "realdata.txt"), "realdata.txt", p.NTIME * p.NREP, p.NGENE,
        [&](int m, int g, double v) { in.MODTCELL44(m, g) = v; },
        [nrep](int m) {
            return "time point " + std::to_string((m - 1) / nrep + 1) + ", replicate " +
                   std::to_string((m - 1) % nrep + 1);
        });
}

void read_para(const std::string& dir, const std::string& name, const RunParameters& p,
               Array<double, 2>& para) {
    read_free_form(
        path_in(dir, name), name, 2, parameter_columns(p),
        [&](int row, int c, double v) { para(row, c) = v; },
        [](int row) {
            return std::string(row == 1 ? "the means" : "the standard deviations");
        });
}

}  // namespace coswitch
