#include "table/labelled_design.hpp"

#include <map>

#include "io/errors.hpp"
#include "table/cell_value.hpp"
#include "table/printable.hpp"

namespace coswitch {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

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

[[noreturn]] void unequal(const std::string& how, const Design& d,
                          const std::vector<std::size_t>& count) {
    std::string list;
    for (std::size_t t = 0; t < d.NTIME; ++t) {
        if (t == 30) {
            list += ", ... (" + std::to_string(d.NTIME) + " time points)";
            break;
        }
        list +=
            (t == 0 ? "" : ", ") + printable(d.time_labels[t]) + ": " + std::to_string(count[t]);
    }
    throw RunError(kExitInput, how +
                                   ": time points have different numbers of replicates "
                                   "(time: replicates): " +
                                   list);
}

}  // namespace

Design design_from_labels(const std::vector<LabelledSample>& samples, const std::string& how) {
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
    std::vector<std::size_t> entry(d.NTIME * d.NREP, kNone);
    std::vector<std::size_t> count(d.NTIME, 0);
    for (std::size_t k = 0; k < samples.size(); ++k) {
        std::size_t& slot = entry[t_of[k] * d.NREP + r_of[k]];
        if (slot != kNone)
            throw RunError(kExitInput, how + ": " + samples[slot].where + " and " +
                                           samples[k].where + " are both time " +
                                           printable(samples[k].time) + ", replicate " +
                                           printable(samples[k].replicate));
        slot = k;
        ++count[t_of[k]];
    }
    if (d.NTIME < 2)
        throw RunError(kExitInput, how + ": " + std::to_string(d.NTIME) +
                                       " time point(s); a run needs at least 2");
    for (std::size_t t = 1; t < d.NTIME; ++t)
        if (count[t] != count[0]) unequal(how, d, count);
    // Equal counts, yet one time point may lack a replicate that another has.
    for (std::size_t i = 0; i < entry.size(); ++i)
        if (entry[i] == kNone)
            throw RunError(kExitInput, how + ": time " + printable(d.time_labels[i / d.NREP]) +
                                           " has no replicate " +
                                           printable(d.replicate_labels[i % d.NREP]) +
                                           "; every time point needs the same replicates");
    for (std::size_t k : entry) d.columns.push_back(samples[k].sample);
    return d;
}

}  // namespace coswitch
