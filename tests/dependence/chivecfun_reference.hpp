#pragma once
#include "dependence/chivecfun.hpp"

namespace coswitch {
// Loop-for-loop version with whole work arrays, allocated per call.
FitInfo chivecfun_reference(int nrep, int ntime, const double* qvec, double& stat, Table4& nullmat,
                            Vec4& pivec);
}  // namespace coswitch
