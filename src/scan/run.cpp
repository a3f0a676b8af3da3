#include "scan/run.hpp"

#include <cmath>
#include <stdexcept>

#include "analysis/pair_correlation.hpp"
#include "io/errors.hpp"

namespace coswitch {
namespace {

// A pair's correlation computed again from its genes' values, and found
// among every pair's magnitude, largest first.
class RecomputedCorrelation final : public CorrelationSource {
public:
    RecomputedCorrelation(const ScanInputs& s, std::vector<double> abs_r)
        : s_(s), abs_r_(std::move(abs_r)) {}
    CorrelationAt at(std::int64_t, GenePair g) const override {
        thread_local CorrelationScratch scratch;
        CorrelationAt c;
        c.r = pair_correlation(s_.p, s_.in, g.i, g.j, scratch);
        c.position = position_of(DescendingValues(abs_r_.data(), abs_r_.size()), std::fabs(c.r));
        return c;
    }

private:
    const ScanInputs& s_;
    std::vector<double> abs_r_;
};

}  // namespace

void check_pair_count(std::int64_t genes) {
    try {
        check_record_pairs(genes);
    } catch (const std::length_error& e) {
        throw RunError(kExitInput, std::string(e.what()) + ": choose fewer genes (--genes)");
    }
}

ScanResult run_scan(const ScanInputs& s, const PooledRun& how) {
    check_pair_count(s.p.NGENE);
    PooledResult pooled = pooled_run(s.p, s.in, how);
    ScanResult out;
    out.report = pooled.report;
    out.report.capped_fits = pooled.capped_fits;
    out.scaled_fits = pooled.scaled_fits;
    PairResults& r = out.results;
    r.names = s.ids;
    for (const KeptGeneFit& f : s.fits)
        r.switching.push_back(switching(f.bic_gain, f.persistence) ? 1 : 0);
    r.M = pooled.pooled;
    r.records = std::move(pooled.records);
    r.counts_new = std::move(pooled.counts_new);
    r.counts_corr = std::move(pooled.counts_corr);
    r.correlation = std::make_shared<RecomputedCorrelation>(s, std::move(pooled.abs_r));
    return out;
}

}  // namespace coswitch
