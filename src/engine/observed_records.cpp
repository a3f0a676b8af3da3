#include "engine/observed_records.hpp"

#include <algorithm>
#include <cmath>

namespace coswitch {
namespace {

// Not-a-number values go to the end first, so that the sort proper
// compares numbers only.
template <class T, class Value>
void sort_numbers_first(std::vector<T>& v, Value value) {
    const auto numbers = std::partition(v.begin(), v.end(), [&](const T& x) { return !std::isnan(value(x)); });
    std::sort(v.begin(), numbers, [&](const T& a, const T& b) { return value(a) > value(b); });
}

}  // namespace

void sort_best_first(std::vector<ObservedRecord>& records) {
    sort_numbers_first(records, [](const ObservedRecord& r) { return r.stat; });
}

void sort_best_first(std::vector<double>& values) {
    sort_numbers_first(values, [](double v) { return v; });
}

}  // namespace coswitch
