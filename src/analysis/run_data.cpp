#include "analysis/run_data.hpp"

#include <algorithm>

namespace coswitch {
int parameter_columns(const RunParameters& p) {
    return p.FLAG == 'T' ? std::max(p.NGENE, p.NTIME) : p.NGENE;
}
}  // namespace coswitch
