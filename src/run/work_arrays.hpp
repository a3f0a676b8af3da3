#pragma once
// The run's result tables, sized once from the answers.
#include "analysis/run_data.hpp"

namespace coswitch {

struct WorkArrays {
    explicit WorkArrays(const RunParameters& p)
        : RES(p.NGENE, p.NGENE),
          CORRES(p.NGENE, p.NGENE),
          NULLSTAT(p.NGENE, p.NGENE, p.NBOOT),
          NULLCORR(p.NGENE, p.NGENE, p.NBOOT),
          NEWPVAL(p.NGENE, p.NGENE),
          CORPVAL(p.NGENE, p.NGENE) {}
    Array<double, 2> RES;
    Array<double, 2> CORRES;
    Array<double, 3> NULLSTAT;
    Array<double, 3> NULLCORR;
    Array<float, 2> NEWPVAL;
    Array<float, 2> CORPVAL;
};

// Input tables sized for the run.
Inputs sized_inputs(const RunParameters& p);

}  // namespace coswitch
