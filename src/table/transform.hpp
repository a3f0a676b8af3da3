#pragma once
// --transform: how table values are changed before the analysis.
#include <string>

namespace coswitch {

enum class Transform {
    None,    // values as read
    Log2p1,  // log2(x + 1), for counts and FPKM-like values; needs x > -1
    Log2,    // log2(x), for positive values; needs x > 0
};

// "none", "log2p1" or "log2"; RunError (input status) naming --transform otherwise.
Transform parse_transform(const std::string& word);
const char* transform_name(Transform t);

// The transformed value in out; false (out untouched) when x lies outside
// the transform's domain, where the logarithm would not be finite.
bool apply_transform(Transform t, double x, double& out);

}  // namespace coswitch
