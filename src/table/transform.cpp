#include "table/transform.hpp"

#include <cmath>

#include "io/errors.hpp"
#include "numeric/elementary.hpp"
#include "table/printable.hpp"

namespace coswitch {

Transform parse_transform(const std::string& word) {
    if (word == "none") return Transform::None;
    if (word == "log2p1") return Transform::Log2p1;
    if (word == "log2") return Transform::Log2;
    throw RunError(kExitInput, "--transform: " + quoted(word) + " is not none, log2p1 or log2");
}

const char* transform_name(Transform t) {
    switch (t) {
        case Transform::Log2p1:
            return "log2p1";
        case Transform::Log2:
            return "log2";
        default:
            return "none";
    }
}

bool apply_transform(Transform t, double x, double& out) {
    switch (t) {
        case Transform::Log2p1:
            if (!(x > -1.0)) return false;
            out = portable_log2(x + 1.0);
            return true;
        case Transform::Log2:
            if (!(x > 0.0)) return false;
            out = portable_log2(x);
            return true;
        default:
            out = x;
            return true;
    }
}

}  // namespace coswitch
