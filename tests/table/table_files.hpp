#pragma once
// Tables written to a scratch directory, and the message a call fails with.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/run_program.hpp"
#include "table/named_table.hpp"

namespace coswitch::testing {

// text written as dir/name (gzip-compressed when name ends in ".gz"), then read.
NamedTable table_from(const ScratchDir& dir, const std::string& text,
                      const std::string& name = "t.tsv");

std::string gzip(const std::string& text);

// A table named t.tsv with these sample names and no gene: for designs.
NamedTable header_only_table(const std::vector<std::string>& samples);

// The message of the input error that f throws; "" when it throws none.
std::string input_error(const std::function<void()>& f);

// Success when text holds part; the failure shows the whole text.
::testing::AssertionResult contains(const std::string& text, const std::string& part);

}  // namespace coswitch::testing
