#pragma once
// Pooled p-value counts without keeping the null values. Every pair's
// observed value is known first and sorted best first (largest first,
// not-a-number last); each null value, as it is produced, is tallied at the
// first position whose observed value it reaches, and the count of the
// value at position q is then the nulls tallied at q or before, with every
// not-a-number null: exactly that of comparing every observed value with
// every null value (ties and not-a-number values count), in memory that
// grows with the pairs and not with pairs x bootstrap replicates. After
// finish(), the counts and the Benjamini-Hochberg values of every position
// are read from the tallies and a mark per block of them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/packed_tallies.hpp"

namespace coswitch {

// Observed values sorted best first at base, base + stride bytes, ...: a
// column of a table of records, or a plain array of doubles.
struct DescendingValues {
    const unsigned char* base = nullptr;
    std::size_t count = 0;
    std::size_t stride = sizeof(double);

    DescendingValues() = default;
    DescendingValues(const void* first, std::size_t n, std::size_t stride_bytes = sizeof(double))
        : base(static_cast<const unsigned char*>(first)), count(n), stride(stride_bytes) {}
    double operator[](std::size_t k) const {
        double v;
        std::memcpy(&v, base + k * stride, sizeof v);
        return v;
    }
};

// Observed values larger than v (v a number): the position where the null
// value v starts to count.
std::size_t first_not_above(const DescendingValues& values, double v);

// A position of the observed value x, which must be one of them: the first
// of its equals; the last position for not-a-number.
std::size_t position_of(const DescendingValues& values, double x);

class NullCounts {
public:
    NullCounts() = default;
    // `positions` observed values; `bits` as PackedTallies takes them.
    NullCounts(std::size_t positions, int bits);

    // Tallies the null value v against the observed values; safe from
    // several threads at once. NaN nulls: count them and add_nan() them.
    void add(const DescendingValues& values, double v) { tallies_.add(first_not_above(values, v)); }
    void add_at(std::size_t position) { tallies_.add(position); }
    void add_nan(std::int64_t n);

    // To be summed over processes before finish(): every process must have
    // been built from the same observed values. The last position, one past
    // the observed values, holds the nulls below every one of them.
    PackedTallies& tallies() { return tallies_; }
    std::int64_t nan_nulls() const { return nan_; }
    void set_nan_nulls(std::int64_t n) { nan_ = n; }

    // Marks every block; no add() after this.
    void finish();
    bool finished() const { return finished_; }

    std::size_t positions() const { return positions_; }
    // Null values tallied: M.
    std::int64_t total() const { return total_; }
    // Null values that the observed value at position q does not exceed.
    std::int64_t count(std::size_t q) const;
    // Whether the count at q is above the count at q - 1 (always at 0).
    bool rises_at(std::size_t q) const;
    // The Benjamini-Hochberg adjusted p-value of position q over every
    // position, from the p-values (count + 1) / (M + 1); NaN when M is 0.
    double adjusted(std::size_t q) const;
    // Positions [first, last) at once: counts and adjusted values (either
    // may be null), in far less time than one at a time.
    void values(std::size_t first, std::size_t last, std::int64_t* counts, double* adjusted) const;
    // The positions at the start whose adjusted value is below level (at
    // most level when inclusive): the adjusted values never fall from one
    // position to the next, so these are all there are. None when M is 0.
    std::size_t leading_adjusted(double level, bool inclusive = false) const;

private:
    // The step-up candidate p * m / rank of position q with count c.
    double candidate(std::size_t q, std::int64_t c) const;
    // Counts of [first, last) within one block, given the count before first.
    void counts_in(std::size_t first, std::size_t last, std::int64_t before, std::int64_t* out) const;
    std::int64_t before_block(std::size_t block) const;
    double after_block(std::size_t block) const;

    PackedTallies tallies_;
    std::size_t positions_ = 0;
    std::int64_t nan_ = 0;
    std::int64_t total_ = 0;
    bool finished_ = false;
};

}  // namespace coswitch
