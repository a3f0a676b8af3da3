#include "analysis/run_data.hpp"

#include <algorithm>

namespace coswitch {
RunParameters counts_at_least_zero(const RunParameters& p) {
    RunParameters q = p;
    for (int* n : {&q.NTIME, &q.NREP, &q.NBOOT, &q.NGENE})
        if (*n < 0) *n = 0;
    return q;
}

const char* null_model_name(NullModel m) {
    return m == NullModel::fixed ? "fixed" : "chained";
}

int parameter_columns(const RunParameters& p) {
    return p.FLAG == 'T' ? std::max(p.NGENE, p.NTIME) : p.NGENE;
}
}  // namespace coswitch
