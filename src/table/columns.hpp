#pragma once
// Which sample columns of a named table a run uses (--columns LIST).
//
// LIST is a comma-separated list of items, taken in the order given:
//   NAME         the column of that name (an item equal to a column's name
//                is always that name, even when it holds "..");
//   FIRST..LAST  the columns from FIRST to LAST inclusive, in table order;
//   ~REGEX       every column whose whole name matches REGEX (RE2 syntax,
//                name_pattern.hpp), in table order. A ~ item takes the
//                rest of LIST, commas included, so it comes last.
// An empty LIST selects every sample column. Unknown names (listed in the
// error), a name held by several columns, a range that runs backwards, a
// regex that matches nothing or does not compile, and a column selected
// twice are errors (RunError, input status).
#include <cstddef>
#include <string>
#include <vector>

#include "table/named_table.hpp"

namespace coswitch {

// Sample indices (0-based, into table.samples) in the order selected.
std::vector<std::size_t> select_columns(const NamedTable& table, const std::string& list);

}  // namespace coswitch
