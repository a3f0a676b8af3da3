// scan's table reader on any bytes, plain or gzip (the first byte's low bit
// says whether the name ends in .gz): what it accepts, the rest of the run
// can carry.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "fuzz_check.hpp"
#include "table/input_file.hpp"
#include "table/named_table.hpp"
#include "table/printable.hpp"

using namespace coswitch;
using coswitch::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool gz = (data[0] & 1) != 0;
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    NamedTable t;
    try {
        t = named_table_from(input_text_of(std::move(bytes), "t.tsv", gz), "t.tsv");
    } catch (const RunError& e) {
        coswitch::fuzz::check_diagnostic(e);
        return 0;
    }
    require(!t.ids.empty() && t.lines.size() == t.ids.size(), "a line for every gene");
    require(t.values.size() == t.ids.size() * t.samples.size(), "a value for every cell");
    std::set<std::string> seen;
    for (std::size_t g = 0; g < t.genes(); ++g) {
        require(!t.ids[g].empty() && name_fault(t.ids[g]) == nullptr, "an id results carry",
                t.ids[g]);
        require(seen.insert(t.ids[g]).second, "unique ids", t.ids[g]);
        require(g == 0 || t.lines[g] > t.lines[g - 1], "lines in order");
    }
    for (const std::string& s : t.samples)
        require(name_fault(s) == nullptr, "a sample name results carry", s);
    for (const double v : t.values) require(std::isnan(v) || std::isfinite(v), "finite or missing");
    return 0;
}
