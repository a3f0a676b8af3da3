#pragma once
// A scan's plan as its summary prints it before the pair pass.
#include <string>

#include "scan/plan.hpp"

namespace coswitch {

// "about 12 s", "about 3.5 min", "about 2.1 h".
std::string duration_text(double seconds);

// Lines that begin with a blank: the pairs, the memory, the output and,
// once timed, the time. gzip: the output is compressed after this size.
std::string plan_text(const ScanPlan& plan, bool gzip);

}  // namespace coswitch
