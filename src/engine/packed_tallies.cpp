#include "engine/packed_tallies.hpp"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace coswitch {
namespace {

constexpr int kWidths[] = {4, 5, 6, 10, 12, 15, 20, 30};
constexpr unsigned kSpareShift = 60;

bool less_position(const std::pair<std::uint64_t, std::uint64_t>& a, std::uint64_t position) {
    return a.first < position;
}

}  // namespace

PackedTallies::PackedTallies(std::size_t positions, int bits)
    : positions_(positions), bits_(bits) {
    if (std::find(std::begin(kWidths), std::end(kWidths), bits) == std::end(kWidths))
        throw std::invalid_argument("PackedTallies: no field of " + std::to_string(bits) + " bits");
    fields_ = 60 / static_cast<std::size_t>(bits);
    mask_ = (std::uint64_t{1} << bits) - 1;
    const std::size_t words = (positions + fields_ - 1) / fields_;
    words_.assign((words + kBlockWords - 1) / kBlockWords * kBlockWords, 0);
}

int PackedTallies::bits_for(double per_position) {
    const double wanted = 32.0 * std::max(per_position, 1.0);
    for (const int b : kWidths)
        if (static_cast<double>(std::uint64_t{1} << b) >= wanted) return b;
    return kWidths[std::size(kWidths) - 1];
}

std::size_t PackedTallies::bytes() const {
    return words_.size() * sizeof(std::uint64_t) + side_.size() * sizeof(side_[0]) +
           overflows_.size() * 4 * sizeof(std::uint64_t);
}

void PackedTallies::add(std::size_t position) {
    const unsigned shift = static_cast<unsigned>(position % fields_) * static_cast<unsigned>(bits_);
    std::atomic_ref<std::uint64_t> word(words_[position / fields_]);
    std::uint64_t old = word.load(std::memory_order_relaxed);
    for (;;) {
        const bool full = ((old >> shift) & mask_) == mask_;
        const std::uint64_t next = full ? old & ~(mask_ << shift) : old + (std::uint64_t{1} << shift);
        if (word.compare_exchange_weak(old, next, std::memory_order_relaxed)) {
            if (full) overflowed(position);
            return;
        }
    }
}

void PackedTallies::overflowed(std::size_t position) {
    std::lock_guard lock(*side_mutex_);
    overflows_[position] += mask_ + 1;
}

void PackedTallies::settle() {
    for (const auto& [position, amount] : overflows_) add_side(position, amount);
    overflows_.clear();
}

void PackedTallies::add_value(std::size_t position, std::uint64_t value) {
    const unsigned shift = static_cast<unsigned>(position % fields_) * static_cast<unsigned>(bits_);
    std::uint64_t& word = words_[position / fields_];
    const std::uint64_t total = ((word >> shift) & mask_) + value;
    word = (word & ~(mask_ << shift)) | ((total & mask_) << shift);
    if (total > mask_) add_side(position, total & ~mask_);
}

void PackedTallies::set_value(std::size_t position, std::uint64_t value) {
    const unsigned shift = static_cast<unsigned>(position % fields_) * static_cast<unsigned>(bits_);
    std::uint64_t& word = words_[position / fields_];
    word = (word & ~(mask_ << shift)) | ((value & mask_) << shift);
    if (value > mask_) add_side(position, value & ~mask_);
}

void PackedTallies::add_side(std::uint64_t position, std::uint64_t amount) {
    if (amount == 0) return;
    const auto at = std::lower_bound(side_.begin(), side_.end(), position, less_position);
    if (at != side_.end() && at->first == position)
        at->second += amount;
    else
        side_.insert(at, {position, amount});
}

std::uint64_t PackedTallies::side(std::size_t position) const {
    const auto at = std::lower_bound(side_.begin(), side_.end(), std::uint64_t{position}, less_position);
    return at != side_.end() && at->first == position ? at->second : 0;
}

bool PackedTallies::any_side(std::size_t first, std::size_t last) const {
    const auto at = std::lower_bound(side_.begin(), side_.end(), std::uint64_t{first}, less_position);
    return at != side_.end() && at->first < last;
}

std::uint64_t PackedTallies::at(std::size_t position) const {
    return field(position) + (side_.empty() ? 0 : side(position));
}

std::vector<std::pair<std::uint64_t, std::uint64_t>>::const_iterator PackedTallies::side_from(
    std::size_t position) const {
    return side_.empty() ? side_.end()
                         : std::lower_bound(side_.begin(), side_.end(), std::uint64_t{position}, less_position);
}

std::uint64_t PackedTallies::sum(std::size_t first, std::size_t last) const {
    std::uint64_t total = 0;
    each(first, last, [&](std::size_t, std::uint64_t v) { total += v; });
    return total;
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> PackedTallies::side_entries() const {
    return side_;
}

void PackedTallies::set_marks(std::size_t block, std::uint64_t a, std::uint64_t b) {
    std::uint64_t* w = words_.data() + block * kBlockWords;
    for (std::size_t k = 0; k < kBlockWords; ++k) {
        const std::uint64_t v = k < kBlockWords / 2 ? a : b;
        const unsigned from = static_cast<unsigned>(k % (kBlockWords / 2)) * 4;
        w[k] = (w[k] & ~(std::uint64_t{0xF} << kSpareShift)) | (((v >> from) & 0xF) << kSpareShift);
    }
}

std::pair<std::uint64_t, std::uint64_t> PackedTallies::marks(std::size_t block) const {
    const std::uint64_t* w = words_.data() + block * kBlockWords;
    std::uint64_t a = 0, b = 0;
    for (std::size_t k = 0; k < kBlockWords / 2; ++k) {
        a |= (w[k] >> kSpareShift) << (4 * k);
        b |= (w[k + kBlockWords / 2] >> kSpareShift) << (4 * k);
    }
    return {a, b};
}

}  // namespace coswitch
