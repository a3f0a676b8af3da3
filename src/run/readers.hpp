#pragma once
// Readers of the three input files: free-form numbers, each read starting
// on a new line and taking a fixed count of values, possibly over lines.
#include <functional>
#include <string>
#include <string_view>

#include "analysis/run_data.hpp"
#include "io/files.hpp"
#include "io/numbers.hpp"

namespace coswitch {

// A rule on the values of a file: given the read and index (both 1-based),
// the value and its text, why the value is refused, or "" to accept it.
using ValueCheck =
    std::function<std::string(long long read, int index, double value, std::string_view text)>;

// Performs `reads` reads of `count` values each from the file at path (shown
// as name in diagnostics); store(read, index, value) takes every value, both
// 1-based; describe(read) names a read in the end-of-file diagnostic. In a
// line that holds a tab, the tabs separate cells, and an empty cell among
// the values a read takes is an error. Throws RunError naming the file and
// the line.
void read_free_form(const std::string& path, const std::string& name, long long reads, int count,
                    const std::function<void(long long, int, double)>& store,
                    const std::function<std::string(long long)>& describe,
                    const ValueCheck& check = {});
// The same reads from text already in memory.
void parse_free_form(const std::string& data, const std::string& name, long long reads, int count,
                     const std::function<void(long long, int, double)>& store,
                     const std::function<std::string(long long)>& describe,
                     const ValueCheck& check = {});

// The run's three inputs, from dir (empty: the current directory); the
// diagnostics name them as dir/name. A negative standard deviation in a
// para file is an error.
void read_realdata(const std::string& dir, const RunParameters& p, Inputs& in);
void read_para(const std::string& dir, const std::string& name, const RunParameters& p,
               Array<double, 2>& para);

}  // namespace coswitch
