#include "engine/null_counts.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>

namespace coswitch {

NullCounter::NullCounter(const std::vector<double>& observed) {
    sorted_.reserve(observed.size());
    for (double v : observed)
        if (!std::isnan(v)) sorted_.push_back(v);
    std::sort(sorted_.begin(), sorted_.end());
    tally_.assign(sorted_.size() + 2, 0);
}

void NullCounter::add(double null_value) {
    // A null value v counts for exactly the observed values x <= v, that is
    // the first upper_bound(v) of them; not-a-number counts for all.
    const std::size_t k =
        std::isnan(null_value)
            ? tally_.size() - 1
            : static_cast<std::size_t>(
                  std::upper_bound(sorted_.begin(), sorted_.end(), null_value) - sorted_.begin());
    std::atomic_ref<std::int64_t>(tally_[k]).fetch_add(1, std::memory_order_relaxed);
}

void NullCounter::finish() {
    if (finished_) throw std::logic_error("NullCounter::finish called twice");
    finished_ = true;
    const std::size_t numbers = sorted_.size();
    total_ = tally_[numbers + 1];
    // Suffix sums: tally_[k] becomes the nulls reaching k or more observed numbers.
    std::int64_t running = 0;
    for (std::size_t k = numbers + 1; k-- > 0;) {
        running += tally_[k];
        tally_[k] = running;
    }
    total_ += running;
}

std::int64_t NullCounter::count(double observed) const {
    if (std::isnan(observed)) return total_;
    const std::size_t below = static_cast<std::size_t>(
        std::lower_bound(sorted_.begin(), sorted_.end(), observed) - sorted_.begin());
    // Nulls v >= observed are those reaching more than the `below` smaller numbers.
    const std::int64_t nan_nulls = total_ - tally_[0];
    const std::int64_t reaching = below + 1 < tally_.size() - 1 ? tally_[below + 1] : 0;
    return reaching + nan_nulls;
}

}  // namespace coswitch
