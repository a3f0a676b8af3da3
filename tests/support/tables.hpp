#pragma once
// Named expression tables for tests of scan.
#include <string>

namespace coswitch::testing {

// A table of `genes` genes (ids gene-1:x, gene-2:x, ...) over `times` time
// points with `reps` replicates each (columns t1_r1, t1_r2, ...): each gene
// switches between a low and a high level in runs, some genes together.
std::string switching_table(int genes, int times, int reps, unsigned seed = 1, char sep = '\t');

}  // namespace coswitch::testing
