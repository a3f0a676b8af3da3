#pragma once
// --genes FILE: the genes a run is restricted to.
#include <cstdint>
#include <string>
#include <vector>

namespace coswitch {

struct GeneList {
    std::string name;                  // the file as messages show it
    std::vector<std::string> ids;      // in file order; repeats are harmless
    std::vector<std::uint64_t> lines;  // file line of each id
    // A file may start with a header: its first id, when the table has no
    // such gene and has every other, is skipped (prepare.hpp).
    bool may_have_header = false;
};

// One id a line, surrounding spaces and tabs removed; blank lines, lines
// starting with # (comments) and CR LF line ends are fine; ".gz" names are
// read as gzip. A list without ids is an error (RunError, input status,
// naming the file).
GeneList read_gene_list(const std::string& path, const std::string& shown_name);

}  // namespace coswitch
