#pragma once
// Named expression tables for tests of scan.
#include <filesystem>
#include <map>
#include <string>

namespace coswitch::testing {

// A table of `genes` genes (ids gene-1:x, gene-2:x, ...) over `times` time
// points with `reps` replicates each (columns t1_r1, t1_r2, ...): each gene
// switches between a low and a high level in runs, some genes together.
std::string switching_table(int genes, int times, int reps, unsigned seed = 1, char sep = '\t');

// The files of an output folder by name, but run.tsv, which records the
// run's own circumstances (time, threads, ranks).
std::map<std::string, std::string> folder_files(const std::filesystem::path& dir);

}  // namespace coswitch::testing
