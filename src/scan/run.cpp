#include "scan/run.hpp"

namespace coswitch {

ScanResult run_scan(const ScanInputs& s, const PooledRun& how) {
    PooledResult pooled = pooled_run(s.p, s.in, how);
    ScanResult out;
    out.report = pooled.report;
    out.report.capped_fits = pooled.capped_fits;
    out.scaled_fits = pooled.scaled_fits;
    PairResults& r = out.results;
    r.names = s.ids;
    for (const KeptGeneFit& f : s.fits)
        r.switching.push_back(switching(f.bic_gain, f.persistence) ? 1 : 0);
    r.stat_new = std::move(pooled.stat);
    r.stat_corr = std::move(pooled.corr);
    r.r = std::move(pooled.r);
    r.phase.reserve(pooled.phase.size());
    for (const std::int32_t ph : pooled.phase) r.phase.push_back(static_cast<std::int8_t>(ph));
    r.count_new = std::move(pooled.count_new);
    r.count_corr = std::move(pooled.count_corr);
    r.M = pooled.pooled;
    return out;
}

}  // namespace coswitch
