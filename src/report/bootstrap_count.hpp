#pragma once
// How many bootstrap replicates a finished run drew per pair, read from the
// null values it wrote beside pvalue.txt (output.txt): the records of its
// first pair, numbered 1, 2, ..., B. Only those lines are read.
#include <cstdint>
#include <string>

#include "report/pvalue_table.hpp"

namespace coswitch {

struct BootstrapCount {
    bool known = false;
    std::int64_t per_pair = 0;  // when known
    std::string why_unknown;    // otherwise, e.g. "no output.txt beside pvalue.txt"
};

// Counts the records of the first pair in the file at path (named `name`),
// whose pairs are those of `genes` genes. Never fails: a file that is
// missing, unreadable or not as a run writes it leaves the count unknown.
BootstrapCount count_bootstrap(const std::string& path, const std::string& name, int genes);

// summary's line about it, e.g.
// " bootstrap replicates: 100 per pair (from output.txt), M = 1500\n".
// A count of 0 next to p-values that are numbers cannot be the same run's.
std::string bootstrap_line(BootstrapCount c, const PairTable& t, const std::string& name);

}  // namespace coswitch
