#include "engine/null_counts.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <stdexcept>

#include "engine/pooled_pvalue.hpp"

namespace coswitch {

std::size_t first_not_above(const DescendingValues& values, double v) {
    std::size_t lo = 0, hi = values.count;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (values[mid] > v)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::size_t position_of(const DescendingValues& values, double x) {
    if (std::isnan(x)) return values.count == 0 ? 0 : values.count - 1;
    return first_not_above(values, x);
}

NullCounts::NullCounts(std::size_t positions, int bits)
    : tallies_(positions + 1, bits), positions_(positions) {}

void NullCounts::add_nan(std::int64_t n) {
    if (n != 0) std::atomic_ref<std::int64_t>(nan_).fetch_add(n, std::memory_order_relaxed);
}

double NullCounts::candidate(std::size_t q, std::int64_t c) const {
    // As the step-up over the positions in order takes it: p * m / rank.
    return pooled_pvalue(c, total_) * static_cast<double>(positions_) / static_cast<double>(q + 1);
}

std::int64_t NullCounts::before_block(std::size_t block) const {
    return static_cast<std::int64_t>(tallies_.marks(block).first);
}

double NullCounts::after_block(std::size_t block) const {
    return std::bit_cast<double>(tallies_.marks(block).second);
}

void NullCounts::counts_in(std::size_t first, std::size_t last, std::int64_t before,
                           std::int64_t* out) const {
    std::int64_t running = before;
    tallies_.each(first, last, [&](std::size_t p, std::uint64_t v) {
        running += static_cast<std::int64_t>(v);
        out[p - first] = running;
    });
}

void NullCounts::finish() {
    if (finished_) throw std::logic_error("NullCounts::finish called twice");
    tallies_.settle();
    const std::size_t per_block = tallies_.block_positions();
    const std::size_t blocks = tallies_.blocks();
    std::uint64_t prefix = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        tallies_.set_marks(b, prefix, 0);
        const std::size_t first = b * per_block;
        prefix += tallies_.sum(std::min(first, tallies_.size()), std::min(first + per_block, tallies_.size()));
    }
    total_ = nan_ + static_cast<std::int64_t>(prefix);
    // The adjusted value after each block, from the last position back.
    double running = 1.0;
    std::vector<std::int64_t> counts(per_block);
    for (std::size_t b = blocks; b-- > 0;) {
        const std::uint64_t before = tallies_.marks(b).first;
        tallies_.set_marks(b, before, std::bit_cast<std::uint64_t>(running));
        const std::size_t first = b * per_block;
        if (total_ <= 0 || first >= positions_) continue;
        const std::size_t last = std::min(first + per_block, positions_);
        counts_in(first, last, nan_ + static_cast<std::int64_t>(before), counts.data());
        for (std::size_t q = last; q-- > first;) running = std::min(running, candidate(q, counts[q - first]));
    }
    finished_ = true;
}

std::int64_t NullCounts::count(std::size_t q) const {
    const std::size_t per_block = tallies_.block_positions();
    const std::size_t b = q / per_block;
    return nan_ + before_block(b) + static_cast<std::int64_t>(tallies_.sum(b * per_block, q + 1));
}

bool NullCounts::rises_at(std::size_t q) const { return q == 0 || tallies_.at(q) > 0; }

double NullCounts::adjusted(std::size_t q) const {
    if (total_ <= 0) return std::nan("");
    const std::size_t per_block = tallies_.block_positions();
    const std::size_t b = q / per_block;
    const std::size_t first = b * per_block;
    const std::size_t last = std::min(first + per_block, positions_);
    std::array<std::int64_t, 512> counts;
    counts_in(first, last, nan_ + before_block(b), counts.data());
    double running = after_block(b);
    for (std::size_t j = last; j-- > q;) running = std::min(running, candidate(j, counts[j - first]));
    return running;
}

void NullCounts::values(std::size_t first, std::size_t last, std::int64_t* counts,
                        double* adjusted) const {
    if (first >= last) return;
    std::vector<std::int64_t> own;
    if (counts == nullptr) {
        own.resize(last - first);
        counts = own.data();
    }
    const std::int64_t at_first = count(first);
    counts[0] = at_first;
    std::int64_t running = at_first;
    tallies_.each(first + 1, last, [&](std::size_t p, std::uint64_t v) {
        running += static_cast<std::int64_t>(v);
        counts[p - first] = running;
    });
    if (adjusted == nullptr) return;
    if (total_ <= 0) {
        std::fill(adjusted, adjusted + (last - first), std::nan(""));
        return;
    }
    double least = last < positions_ ? this->adjusted(last) : 1.0;
    for (std::size_t q = last; q-- > first;) {
        least = std::min(least, candidate(q, counts[q - first]));
        adjusted[q - first] = least;
    }
}

std::size_t NullCounts::leading_adjusted(double level, bool inclusive) const {
    if (total_ <= 0) return 0;
    std::size_t lo = 0, hi = positions_;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const double a = adjusted(mid);
        if (inclusive ? a <= level : a < level)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

}  // namespace coswitch
