#pragma once
// A pair's signed correlation, computed again from the two genes' values
// when it is wanted rather than kept for every pair: the very bits the
// pair's observed statistics found, for a small part of the cost of its fit.
#include <vector>

#include "analysis/run_data.hpp"

namespace coswitch {

struct CorrelationScratch {
    std::vector<double> a, b;  // both genes' values where neither is missing
};

double pair_correlation(const RunParameters& p, const Inputs& in, int i, int j, CorrelationScratch& w);

}  // namespace coswitch
