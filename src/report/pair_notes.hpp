#pragma once
// Why a pair's correlation is not a number when the data have missing
// values: too few samples where both genes have one, or no variation there.
// A run without missing values has no notes, and pairs.tsv no note column.
#include <cstdint>
#include <string>

#include "analysis/run_data.hpp"

namespace coswitch {

class PairNotes {
public:
    PairNotes() = default;
    PairNotes(const RunParameters& p, const Inputs& in) : p_(&p), in_(&in) {}

    // True when some kept gene has a missing value: pairs.tsv has a note column.
    bool active() const { return in_ != nullptr && !in_->gaps.empty(); }
    // Genes i < j (1-based) whose correlation r is given: "" unless r is NaN
    // and a missing value is the cause, e.g. "r: 2 samples with both values
    // (needs 3)".
    std::string note(int i, int j, double r) const;

private:
    const RunParameters* p_ = nullptr;
    const Inputs* in_ = nullptr;
};

}  // namespace coswitch
