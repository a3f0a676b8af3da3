#include "run/classic_limits.hpp"

namespace coswitch {

std::string beyond_classic_limits(const RunParameters& p) {
    std::string why;
    auto check = [&](const char* what, int value, int limit) {
        if (value > limit)
            why += (why.empty() ? "" : ", ") + std::to_string(value) + " " + what +
                   " (at most " + std::to_string(limit) + ")";
    };
    check("time points", p.NTIME, kMaxTimePoints);
    check("replicates", p.NREP, kMaxReplicates);
    check("bootstrap replicates", p.NBOOT, kMaxBootstrap);
    check("genes", p.NGENE, kMaxGenes);
    return why;
}

}  // namespace coswitch
