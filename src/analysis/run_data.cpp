#include "analysis/run_data.hpp"

#include <algorithm>
#include <cmath>

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
void mark_gaps(Inputs& in) {
    in.gaps.clear();
    const std::size_t genes = in.MODTCELL44.size() == 0 ? 0 : in.MODTCELL44.extent(1);
    const std::size_t rows = genes == 0 ? 0 : in.MODTCELL44.size() / genes;
    std::vector<std::uint8_t> gaps(genes, 0);
    bool any = false;
    for (std::size_t g = 0; g < genes; ++g)
        for (std::size_t m = 0; m < rows; ++m)
            if (std::isnan(in.MODTCELL44.data()[g * rows + m])) {
                gaps[g] = 1;
                any = true;
                break;
            }
    if (any) in.gaps = std::move(gaps);
}
}  // namespace coswitch
