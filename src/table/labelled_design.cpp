#include "table/labelled_design.hpp"

#include <algorithm>
#include <map>
#include <numeric>

#include "io/errors.hpp"
#include "table/cell_value.hpp"
#include "table/printable.hpp"

namespace coswitch {
namespace {

// Ranks of keys in sorted order; labels of each rank as first written.
template <class Key>
std::vector<std::size_t> rank(const std::vector<Key>& keys, const std::vector<std::string>& text,
                              std::vector<std::string>& labels) {
    std::map<Key, std::size_t> first;  // key -> index of the first entry with it
    for (std::size_t k = 0; k < keys.size(); ++k) first.emplace(keys[k], k);
    std::map<Key, std::size_t> order;
    for (const auto& [key, k] : first) {
        order.emplace(key, labels.size());
        labels.push_back(text[k]);
    }
    std::vector<std::size_t> out;
    for (const Key& key : keys) out.push_back(order.at(key));
    return out;
}

const char* const kHoleHint =
    " (give --missing model to take the absent ones as missing values of every gene)";

[[noreturn]] void unequal(const std::string& how, const Design& d,
                          const std::vector<std::size_t>& count) {
    std::string list;
    for (std::size_t t = 0; t < d.NTIME; ++t) {
        const std::string item =
            (t == 0 ? "" : ", ") + printable(d.time_labels[t]) + ": " + std::to_string(count[t]);
        if (t == 30 || (t > 0 && list.size() + item.size() > 200)) {
            list += ", ... (" + std::to_string(d.NTIME) + " time points)";
            break;
        }
        list += item;
    }
    throw RunError(kExitInput, how +
                                   ": time points have different numbers of replicates "
                                   "(time: replicates): " +
                                   list + kHoleHint);
}

}  // namespace

Design design_from_labels(const std::vector<LabelledSample>& samples, const std::string& how,
                          const std::string& labels, bool holes_allowed) {
    Design d;
    d.how = how;
    std::vector<double> times;
    std::vector<std::string> time_text, rep_text;
    std::vector<double> rep_values;
    bool numeric_reps = true;
    for (const LabelledSample& s : samples) {
        times.push_back(s.time_value);
        time_text.push_back(s.time);
        rep_text.push_back(s.replicate);
        double v = 0;
        if (numeric_reps && read_cell(s.replicate, v) == CellKind::Number)
            rep_values.push_back(v);
        else
            numeric_reps = false;
    }
    const std::vector<std::size_t> t_of = rank(times, time_text, d.time_labels);
    const std::vector<std::size_t> r_of = numeric_reps
                                              ? rank(rep_values, rep_text, d.replicate_labels)
                                              : rank(rep_text, rep_text, d.replicate_labels);
    d.NTIME = d.time_labels.size();
    d.NREP = d.replicate_labels.size();
    const std::size_t n = samples.size();
    // Samples in time, then replicate order: memory in proportion to the
    // samples, never to NTIME x NREP (20,000 x 20,000 when every sample has
    // a label of its own).
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto slot_less = [&](std::size_t a, std::size_t b) {
        return t_of[a] != t_of[b] ? t_of[a] < t_of[b] : r_of[a] < r_of[b];
    };
    std::stable_sort(order.begin(), order.end(), slot_less);
    // Of the samples that repeat a time and replicate, the one earliest in
    // sample order, named with the first that has that slot.
    std::size_t first = n, again = n, lead = 0;
    for (std::size_t k = 1; k < n; ++k) {
        if (slot_less(order[k - 1], order[k])) {
            lead = k;
        } else if (k == lead + 1 && (again == n || order[k] < again)) {
            first = order[lead];
            again = order[k];
        }
    }
    if (again != n)
        throw RunError(kExitInput, how + ": " + samples[first].where + " and " +
                                       samples[again].where + " are both time " +
                                       printable(samples[again].time) + ", replicate " +
                                       printable(samples[again].replicate));
    if (d.NTIME < 2)
        throw RunError(kExitInput, how + ": " + std::to_string(d.NTIME) +
                                       " time point(s); a run needs at least 2");
    if (d.NREP == n)
        throw RunError(kExitInput, how + ": every sample is its own " +
                                       (d.NTIME == n ? "time point and replicate" : "replicate") +
                                       " (" + std::to_string(n) + " samples): check " + labels);
    std::vector<std::size_t> count(d.NTIME, 0);
    for (std::size_t k = 0; k < n; ++k) ++count[t_of[k]];
    if (n < d.NTIME * d.NREP && holes_allowed) {
        // The grid grows with NTIME x NREP: labels that barely repeat
        // would make it mostly holes.
        if (d.NTIME * d.NREP - n > n)
            throw RunError(kExitInput, how + ": " + std::to_string(d.NTIME) + " time points x " +
                                           std::to_string(d.NREP) + " replicates leave " +
                                           std::to_string(d.NTIME * d.NREP - n) +
                                           " cells without a sample, more than the " +
                                           std::to_string(n) + " samples: check " + labels);
        d.columns.assign(d.NTIME * d.NREP, Design::kHole);
        for (std::size_t k : order) d.columns[t_of[k] * d.NREP + r_of[k]] = samples[k].sample;
        return d;
    }
    for (std::size_t t = 1; t < d.NTIME; ++t)
        if (count[t] != count[0]) unequal(how, d, count);
    // Equal counts, yet one time point may lack a replicate that another
    // has: the first time point lacks one then, as every one does.
    if (count[0] < d.NREP) {
        std::size_t r = 0;
        while (r < count[0] && r_of[order[r]] == r) ++r;
        throw RunError(kExitInput, how + ": time " + printable(d.time_labels[0]) +
                                       " has no replicate " + printable(d.replicate_labels[r]) +
                                       "; every time point needs the same replicates" + kHoleHint);
    }
    for (std::size_t k : order) d.columns.push_back(samples[k].sample);
    return d;
}

}  // namespace coswitch
