#pragma once
// --design FILE: which sample is which time point and replicate, from a file.
//
// The file is tab- or comma-separated (decided by its first line, as for
// tables; a ".gz" name is read as gzip) with three cells a line: sample,
// time, replicate. The first line is a header when its time cell is not a
// number and it looks like one: the time cell starts with "time" (any case),
// or the first cell names no column of the table. Blank lines are skipped.
// Times must be numbers; replicates are labels (design_from_labels orders
// both). Every sample must be a selected column of the table (unknown ones
// are listed in the error) and appear once; selected columns that the file
// does not name are not used.
#include <string>
#include <vector>

#include "table/design.hpp"

namespace coswitch {

Design design_from_file(const NamedTable& table, const std::vector<std::size_t>& selected,
                        const std::string& path, const std::string& shown_name,
                        bool holes_allowed = false);

// The same of the file's text already read (read_input_text).
struct InputText;
Design design_from_text(const NamedTable& table, const std::vector<std::size_t>& selected,
                        const InputText& in, const std::string& shown_name,
                        bool holes_allowed = false);

}  // namespace coswitch
