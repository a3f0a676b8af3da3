#pragma once
// Pooled p-value counts without keeping the null values: every pair's
// observed value is known first, and each null value, as it is produced,
// is tallied by how many observed values it reaches. The counts are then
// exactly those of comparing every observed value with every null value
// (ties and not-a-number values count), in memory that grows with the pairs
// and not with pairs x bootstrap replicates.
#include <cstdint>
#include <vector>

namespace coswitch {

class NullCounter {
public:
    // observed: the observed value of every pair (not-a-number allowed).
    explicit NullCounter(const std::vector<double>& observed);

    // Tallies one null value; safe to call from several threads at once.
    void add(double null_value);

    // The raw tallies, to be summed over processes before finish(); every
    // process must have been built from the same observed values.
    std::vector<std::int64_t>& tallies() { return tally_; }

    // Turns the tallies into counts; no add() after this.
    void finish();

    // Null values tallied (after finish()).
    std::int64_t total() const { return total_; }

    // Null values that `observed` does not exceed (after finish()); observed
    // must be one of the values the counter was built from. A not-a-number
    // observed value counts every null value.
    std::int64_t count(double observed) const;

private:
    std::vector<double> sorted_;       // the observed numbers, ascending
    std::vector<std::int64_t> tally_;  // [k]: nulls reaching exactly k observed numbers;
                                       // last: not-a-number nulls
    std::int64_t total_ = 0;
    bool finished_ = false;
};

}  // namespace coswitch
