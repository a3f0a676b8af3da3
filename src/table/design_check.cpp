#include "table/design_check.hpp"

#include "io/errors.hpp"
#include "io/quoted.hpp"
#include "table/design_samples.hpp"
#include "table/printable.hpp"
#include "table/sample_names.hpp"

namespace coswitch {
namespace {

// Bytes of a name and a time token these messages show: with the
// suggestion they are long already, and one line is what a user reads.
constexpr std::size_t kName = 20, kTime = 12;

std::vector<std::string> selected_names(const NamedTable& table,
                                        const std::vector<std::size_t>& selected) {
    std::vector<std::string> names;
    for (std::size_t s : selected) names.push_back(table.samples[s]);
    return names;
}

// What to give instead: a checked pattern when there is one.
std::string suggestion(const NamedTable& table, const std::vector<std::size_t>& selected) {
    const std::string one = "--replicates 1 to take every column as its own time point";
    if (const auto p = checked_pattern(table, selected))
        return "give --samples " + shell_quoted(p->pattern) +
               " (checked: " + std::to_string(p->NTIME) + " time points x " +
               std::to_string(p->NREP) + " replicates), or " + one;
    return "give --samples REGEX or --design FILE to say which column is which time point and "
           "replicate, or " +
           one;
}

}  // namespace

std::optional<CheckedPattern> checked_pattern(const NamedTable& table,
                                              const std::vector<std::size_t>& selected) {
    for (const std::string& pattern : candidate_patterns(selected_names(table, selected))) {
        try {
            const Design d = design_from_samples(table, selected, pattern);
            if (d.columns.size() == selected.size() && d.NTIME >= 2 && d.NREP >= 2)
                return CheckedPattern{pattern, d.NTIME, d.NREP};
        } catch (const RunError&) {
        }
    }
    return std::nullopt;
}

void check_names_without_design(const NamedTable& table, const std::vector<std::size_t>& selected) {
    const auto shared = shared_time_token(selected_names(table, selected));
    if (!shared) return;
    throw RunError(kExitInput,
                   table.name + ": samples " +
                       quoted(sample_label(table, selected[shared->first]), kName) + " and " +
                       quoted(sample_label(table, selected[shared->second]), kName) +
                       " look like replicates of one time point (time " + quoted(shared->time, kTime) +
                       "), but without a design option every column is its own time point; " +
                       suggestion(table, selected));
}

void check_replicate_groups(const NamedTable& table, const std::vector<std::size_t>& selected,
                            const Design& d) {
    if (d.NREP < 2) return;
    const auto times = distinct_time_tokens(selected_names(table, selected));
    for (const auto& t : times)
        if (t.empty()) return;  // names without a time token say nothing
    for (std::size_t g = 0; g < d.NTIME; ++g)
        for (std::size_t j = 1; j < d.NREP; ++j)
            for (std::size_t i = 0; i < j; ++i) {
                const std::size_t a = g * d.NREP + i, b = g * d.NREP + j;
                if (share_time_token(times[a], times[b])) continue;
                throw RunError(kExitInput,
                               table.name + ": --replicates " + std::to_string(d.NREP) +
                                   " would take samples " +
                                   quoted(sample_label(table, selected[a]), kName) + " and " +
                                   quoted(sample_label(table, selected[b]), kName) +
                                   " as replicates of one time point, but their times differ (" +
                                   quoted(times[a][0], kTime) + ", " + quoted(times[b][0], kTime) + "); " +
                                   suggestion(table, selected));
            }
}

}  // namespace coswitch
