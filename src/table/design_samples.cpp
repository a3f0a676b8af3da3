#include "table/design_samples.hpp"

#include <map>

#include "io/errors.hpp"
#include "table/cell_value.hpp"
#include "table/labelled_design.hpp"
#include "table/name_pattern.hpp"
#include "table/printable.hpp"

namespace coswitch {

Design design_from_samples(const NamedTable& table, const std::vector<std::size_t>& selected,
                           const std::string& pattern,
                           bool holes_allowed) {
    const std::string how = "--samples " + shown_pattern(pattern);
    const NamePattern re(pattern);
    if (!re.error().empty())
        throw RunError(kExitInput, how + ": bad pattern: " + pattern_error_text(re));
    const std::size_t groups = re.groups();
    if (groups != 1 && groups != 2)
        throw RunError(kExitInput, how +
                                       ": the pattern needs one capture group (the time) or two "
                                       "(time, replicate), not " +
                                       std::to_string(groups));
    std::vector<LabelledSample> samples;
    std::map<double, std::size_t> seen;  // one group: samples so far of each time
    std::vector<std::string> m;
    for (std::size_t s : selected) {
        const std::string& name = table.samples[s];
        if (!re.whole_match(name, m)) continue;
        LabelledSample ls;
        ls.sample = s;
        ls.time = m[0];
        ls.where = "sample " + quoted(name);
        if (read_cell(ls.time, ls.time_value) != CellKind::Number)
            throw RunError(kExitInput, how + ": sample " + quoted(name) + ": time " +
                                           quoted(ls.time) + " is not a number");
        ls.replicate = groups == 2 ? m[1] : std::to_string(++seen[ls.time_value]);
        samples.push_back(std::move(ls));
    }
    if (samples.empty())
        throw RunError(kExitInput, how + ": matches no selected column of " + table.name);
    Design d =
        design_from_labels(samples, how, "the capture groups (the time first, then the replicate)",
                           holes_allowed);
    d.how = "--samples " + escape_controls(pattern);  // whole in design.tsv's record
    return d;
}

}  // namespace coswitch
