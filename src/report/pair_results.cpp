#include "report/pair_results.hpp"

#include <stdexcept>

#include "engine/pair_order.hpp"

namespace coswitch {

const char* phase_word(std::int8_t phase) {
    return phase > 0 ? "in" : phase < 0 ? "anti" : "NA";
}

void check_shape(const PairResults& r) {
    const std::size_t n = static_cast<std::size_t>(pair_count(r.genes()));
    if (r.stat_new.size() != n || r.stat_corr.size() != n || r.r.size() != n ||
        r.phase.size() != n || r.count_new.size() != n || r.count_corr.size() != n ||
        r.switching.size() != r.names.size() || r.M < 0)
        throw std::invalid_argument("pair results do not match their genes");
    for (const auto* counts : {&r.count_new, &r.count_corr})
        for (std::int64_t c : *counts)
            if (c < 0 || c > r.M) throw std::invalid_argument("a pooled count outside 0..M");
}

}  // namespace coswitch
