#pragma once
// Small counters, many to a 64-bit word: a scan keeps one per pair and per
// statistic, and tens of millions of pairs leave a few bytes each for them.
// A field that would pass its largest value starts again from 0 and the
// lost 2^bits go to a table on the side, so no count is ever lost; fields
// are sized so that this stays rare. The top 4 bits of every word are no
// field's: 32 words give 128 bits, which hold two 64-bit marks per block of
// positions for whoever reads the counters in blocks.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace coswitch {

class PackedTallies {
public:
    static constexpr std::size_t kBlockWords = 32;

    PackedTallies() = default;
    // `positions` counters of `bits` each: 4, 5, 6, 10, 12, 15, 20 or 30.
    PackedTallies(std::size_t positions, int bits);

    // The narrowest field that `per_position` values on average overflow
    // only far out in the tail (under 2^bits / 32 of them).
    static int bits_for(double per_position);

    std::size_t size() const { return positions_; }
    int bits() const { return bits_; }
    // Positions per block of kBlockWords words.
    std::size_t block_positions() const { return fields_ * kBlockWords; }
    std::size_t blocks() const { return words_.size() / kBlockWords; }
    // The bytes the counters and their side table hold.
    std::size_t bytes() const;

    // One more at `position`; safe from several threads at once.
    void add(std::size_t position);

    // Makes what add() set aside readable; after the last add(), before
    // anything below (which add_value and add_side keep as it is).
    void settle();

    // The rest: not while add() may run.
    // The field alone, without what went to the side.
    std::uint64_t field(std::size_t position) const {
        return (words_[position / fields_] >> (position % fields_ * static_cast<unsigned>(bits_))) & mask_;
    }
    // Adds `value` at `position`: what the field cannot hold goes to the side.
    void add_value(std::size_t position, std::uint64_t value);
    // The field becomes `value`, what it cannot hold going to the side (and
    // what is there already staying there).
    void set_value(std::size_t position, std::uint64_t value);
    // The whole count at `position`.
    std::uint64_t at(std::size_t position) const;
    // Sum over positions [first, last).
    std::uint64_t sum(std::size_t first, std::size_t last) const;
    // f(position, whole count) for every position of [first, last), in order.
    template <class F>
    void each(std::size_t first, std::size_t last, F&& f) const {
        if (first >= last) return;
        std::size_t w = first / fields_, k = first % fields_;
        std::uint64_t word = words_[w] >> (k * static_cast<unsigned>(bits_));
        auto side = side_from(first);
        for (std::size_t p = first;;) {
            std::uint64_t v = word & mask_;
            if (side != side_.end() && side->first == p) v += (side++)->second;
            f(p, v);
            if (++p == last) return;
            if (++k == fields_) {
                k = 0;
                word = words_[++w];
            } else {
                word >>= static_cast<unsigned>(bits_);
            }
        }
    }
    // Whether any position of [first, last) went to the side: the side is
    // rarely used, and a caller summing fields can skip it when not.
    bool any_side(std::size_t first, std::size_t last) const;
    std::uint64_t side(std::size_t position) const;

    // What went to the side, as (position, amount) pairs by position: what
    // another process adds with add_side().
    std::vector<std::pair<std::uint64_t, std::uint64_t>> side_entries() const;
    void add_side(std::uint64_t position, std::uint64_t amount);

    // Two marks per block, in the words' spare bits.
    void set_marks(std::size_t block, std::uint64_t a, std::uint64_t b);
    std::pair<std::uint64_t, std::uint64_t> marks(std::size_t block) const;

private:
    void overflowed(std::size_t position);
    std::vector<std::pair<std::uint64_t, std::uint64_t>>::const_iterator side_from(std::size_t position) const;

    std::vector<std::uint64_t> words_;
    std::size_t positions_ = 0;
    int bits_ = 0;
    std::size_t fields_ = 1;
    std::uint64_t mask_ = 0;
    std::unique_ptr<std::mutex> side_mutex_ = std::make_unique<std::mutex>();
    std::unordered_map<std::uint64_t, std::uint64_t> overflows_;  // by add(), until settle()
    std::vector<std::pair<std::uint64_t, std::uint64_t>> side_;   // by position
};

}  // namespace coswitch
