#pragma once
// Readers of the three input files: free-form numbers, each read starting
// on a new line and taking a fixed count of values, possibly over lines.
#include <functional>
#include <string>

#include "analysis/run_data.hpp"
#include "io/files.hpp"
#include "io/numbers.hpp"

namespace coswitch {

// Performs `reads` reads of `count` values each from the file at path (shown
// as name in diagnostics); store(read, index, value) takes every value, both
// 1-based; describe(read) names a read in the end-of-file diagnostic.
// Throws RunError naming the file and the line.
void read_free_form(const std::string& path, const std::string& name, int reads, int count,
                    const std::function<void(int, int, double)>& store,
                    const std::function<std::string(int)>& describe);

// The run's three inputs, from dir (empty: the current directory).
void read_realdata(const std::string& dir, const RunParameters& p, Inputs& in);
void read_para(const std::string& dir, const std::string& name, const RunParameters& p,
               Array<double, 2>& para);

}  // namespace coswitch
