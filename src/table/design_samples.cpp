#include "table/design_samples.hpp"

#include <regex>

#include "io/errors.hpp"
#include "table/cell_value.hpp"
#include "table/labelled_design.hpp"
#include "table/printable.hpp"

namespace coswitch {

Design design_from_samples(const NamedTable& table, const std::vector<std::size_t>& selected,
                           const std::string& pattern) {
    const std::string how = "--samples " + escape_controls(pattern);
    std::regex re;
    try {
        re = std::regex(pattern, std::regex::ECMAScript);
    } catch (const std::regex_error& e) {
        throw RunError(kExitInput, how + ": bad pattern: " + e.what());
    }
    if (re.mark_count() != 2)
        throw RunError(kExitInput, how +
                                       ": the pattern needs exactly two capture groups (time, "
                                       "replicate), not " +
                                       std::to_string(re.mark_count()));
    std::vector<LabelledSample> samples;
    std::smatch m;
    for (std::size_t s : selected) {
        const std::string& name = table.samples[s];
        if (!std::regex_match(name, m, re)) continue;
        LabelledSample ls;
        ls.sample = s;
        ls.time = m[1].str();
        ls.replicate = m[2].str();
        ls.where = "sample " + quoted(name);
        if (read_cell(ls.time, ls.time_value) != CellKind::Number)
            throw RunError(kExitInput, how + ": sample " + quoted(name) + ": time " +
                                           quoted(ls.time) + " is not a number");
        samples.push_back(std::move(ls));
    }
    if (samples.empty())
        throw RunError(kExitInput, how + ": matches no selected column of " + table.name);
    return design_from_labels(samples, how);
}

}  // namespace coswitch
