#pragma once
// A design from samples that carry a time and a replicate label, the common
// ground of design files and sample-name patterns.
#include <string>
#include <vector>

#include "table/design.hpp"

namespace coswitch {

struct LabelledSample {
    std::size_t sample = 0;  // index into the table's samples
    std::string time;        // label as written; numeric
    double time_value = 0;
    std::string replicate;  // label as written
    std::string where;      // for messages: "design.tsv:4", or sample "A3_1"
};

// Time points in numeric order (labels equal in value are one time point,
// shown as first written); replicates in numeric order when every label is a
// number, else in text (byte) order. Errors name `how` (e.g. "--design
// d.tsv"): two samples for one time point and replicate, time points with
// different replicates (listing each time point's count) unless
// holes_allowed, when such cells are holes (Design::kHole) but may not
// outnumber the samples, fewer than 2
// time points, every sample a time point and a replicate of its own (the
// message says to check `labels`, where they came from). Memory in
// proportion to the samples.
Design design_from_labels(const std::vector<LabelledSample>& samples, const std::string& how,
                          const std::string& labels = "the time and replicate labels",
                          bool holes_allowed = false);

}  // namespace coswitch
