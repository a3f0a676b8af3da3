#include "run/driver.hpp"

#include <cmath>

#include "analysis/pvalues.hpp"
#include "dependence/chivecfun.hpp"
#include "io/errors.hpp"
#include "engine/pair_loop.hpp"
#include "engine/pair_order.hpp"
#include "run/readers.hpp"
#include "run/result_files.hpp"
#include "run/work_arrays.hpp"

namespace coswitch {

void check_analysable(const RunParameters& p) {
    if (p.NGENE >= 2 && (p.NTIME < 2 || p.NREP < 1))
        throw RunError(kExitInput,
                       "the analysis needs at least 2 time points and 1 replicate (answers: " +
                           std::to_string(p.NTIME) + " time points, " + std::to_string(p.NREP) +
                           " replicates)");
}

std::string no_statistic_note(const RunParameters& p, const Array<double, 2>& RES) {
    long long none = 0;
    for (int i = 1; i <= p.NGENE - 1; ++i)
        for (int j = i + 1; j <= p.NGENE; ++j)
            if (std::isnan(RES(i, j))) ++none;
    if (none == 0) return {};
    return "coswitch: warning: " + std::to_string(none) + " of " +
           std::to_string(pair_count(p.NGENE)) + " pairs have no dependence statistic (NaN in "
           "pvalue.txt): the pair's likelihood falls below the smallest double (a long series "
           "or large values) or a density is undefined (a standard deviation of 0); "
           "'coswitch scan' fits such pairs with scaled recursions\n";
}

std::string run_analysis(const RunParameters& answers, const RunSettings& s) {
    // Negative counts are accepted answers; nothing is sized or looped by them.
    const RunParameters p = counts_at_least_zero(answers);
    WorkArrays wa = naming_out_of_memory("sizing the work arrays", [&] { return WorkArrays(p); });
    Inputs in = naming_out_of_memory("sizing the input tables", [&] { return sized_inputs(p); });

    const std::string pvalue_path = path_in(s.directory, "pvalue.txt");
    const std::string output_path = path_in(s.directory, "output.txt");
    ResultFile pvalue;
    ResultFile output;
    pvalue.create(pvalue_path, pvalue_path);
    try {
        output.create(output_path, output_path);
    } catch (const RunError&) {
        // A failed start leaves no new file behind.
        pvalue.discard();
        throw;
    }
    // On disk at once: whatever fails later, the files show what they are.
    pvalue.write(kPvalueHeader);
    output.write(kOutputHeader);
    pvalue.flush();
    output.flush();

    read_realdata(s.directory, p, in);
    read_para(s.directory, "para1.txt", p, in.PARA1);
    read_para(s.directory, "para2.txt", p, in.PARA2);

    const std::int64_t npairs = pair_count(p.NGENE);
    PairLoop loop;
    loop.last = npairs;
    loop.threads = s.threads;
    loop.computed = [](std::int64_t, GenePair pair, const PairResult& r) {
        return output_records(pair.i, pair.j, r.nullstat, r.nullcorr);
    };
    long long replicates_done = 0;
    loop.in_order = [&](std::int64_t n, GenePair pair, const PairResult& r,
                        const std::string& records) {
        output.write(records);
        wa.RES(pair.i, pair.j) = r.res;
        wa.CORRES(pair.i, pair.j) = r.corres;
        for (std::size_t b = 0; b < r.nullstat.size(); ++b) {
            wa.NULLSTAT(pair.i, pair.j, static_cast<int>(b) + 1) = r.nullstat[b];
            wa.NULLCORR(pair.i, pair.j, static_cast<int>(b) + 1) = r.nullcorr[b];
        }
        replicates_done = (n + 1) * static_cast<long long>(r.nullstat.size());
        if (s.progress) s.progress(n + 1, replicates_done);
    };
    loop.replicate_done = [&](std::int64_t n, int b) {
        if (s.progress) s.progress(n, n * static_cast<long long>(p.NBOOT) + b);
    };
    const LoopReport report = run_pair_loop(p, in, loop);

    pvalues(p.NGENE, p.NBOOT, wa.RES, wa.CORRES, wa.NULLSTAT, wa.NULLCORR, wa.NEWPVAL,
            wa.CORPVAL);
    for (int i = 1; i <= p.NGENE - 1; ++i)
        for (int j = i + 1; j <= p.NGENE; ++j)
            pvalue.write(pvalue_record(i, j, wa.RES(i, j), wa.NEWPVAL(i, j), wa.CORRES(i, j),
                                       wa.CORPVAL(i, j)));
    pvalue.close();
    output.close();
    return loop_warnings(report) + no_statistic_note(p, wa.RES);
}

}  // namespace coswitch
