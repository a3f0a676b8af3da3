// The ways to a design on any input: --columns lists, --samples patterns,
// --design files, and the check of column order against the names, whose
// suggested pattern must be one --samples takes. The input is the table,
// the columns list, the pattern and the design file, each after a line
// "%%" (parts left out are empty).
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.hpp"
#include "io/quoted.hpp"
#include "table/columns.hpp"
#include "table/design.hpp"
#include "table/design_check.hpp"
#include "table/design_file.hpp"
#include "table/design_samples.hpp"
#include "table/input_file.hpp"
#include "table/named_table.hpp"

using namespace coswitch;
using coswitch::fuzz::require;

namespace {

std::vector<std::string> parts_of(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t cut = text.find("\n%%\n", pos);
        parts.push_back(text.substr(pos, cut == std::string::npos ? std::string::npos : cut - pos));
        if (cut == std::string::npos) break;
        pos = cut + 4;
    }
    parts.resize(4);
    return parts;
}

void check_design(const Design& d, const std::vector<std::size_t>& selected) {
    require(d.NTIME >= 2 && d.NREP >= 1, "at least 2 time points");
    require(d.columns.size() == d.NTIME * d.NREP, "a column for every slot");
    require(d.time_labels.size() == d.NTIME && d.replicate_labels.size() == d.NREP, "labels");
    const std::set<std::size_t> chosen(selected.begin(), selected.end());
    std::set<std::size_t> used;
    for (const std::size_t c : d.columns) {
        require(chosen.count(c) == 1, "a selected column");
        require(used.insert(c).second, "each column once");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> part =
        parts_of(std::string(reinterpret_cast<const char*>(data), size));
    NamedTable t;
    std::vector<std::size_t> selected;
    try {
        t = named_table_from(input_text_of(part[0], "t.tsv", false), "t.tsv");
        selected = select_columns(t, part[1]);
    } catch (const RunError& e) {
        coswitch::fuzz::check_diagnostic(e);
        return 0;
    }
    std::set<std::size_t> distinct;
    for (const std::size_t s : selected) {
        require(s < t.samples.size(), "a column of the table");
        require(distinct.insert(s).second, "selected once");
    }
    require(!part[1].empty() || selected.size() == t.samples.size(), "every column by default");

    if (!part[2].empty()) {
        try {
            check_design(design_from_samples(t, selected, part[2]), selected);
        } catch (const RunError& e) {
            coswitch::fuzz::check_diagnostic(e);
        }
    }
    if (!part[3].empty()) {
        try {
            check_design(design_from_text(t, selected, input_text_of(part[3], "d.tsv", false), "d.tsv"),
                         selected);
        } catch (const RunError& e) {
            coswitch::fuzz::check_diagnostic(e);
        }
    }
    if (const auto p = checked_pattern(t, selected)) {
        const Design d = design_from_samples(t, selected, p->pattern);
        check_design(d, selected);
        require(d.NTIME == p->NTIME && d.NREP == p->NREP && d.columns.size() == selected.size(),
                "the suggestion makes the design it promised", p->pattern);
    }
    try {
        check_names_without_design(t, selected);
    } catch (const RunError& e) {
        // The suggested pattern is given whole, to be pasted: the rest of the
        // message is what must stay short.
        std::string m = e.what();
        if (const auto p = checked_pattern(t, selected)) {
            const std::size_t at = m.find(shell_quoted(p->pattern));
            require(at != std::string::npos, "the checked pattern suggested", m);
            m.erase(at, shell_quoted(p->pattern).size());
        }
        coswitch::fuzz::check_diagnostic(RunError(e.status, m));
    }
    return 0;
}
