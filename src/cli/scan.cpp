#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/progress.hpp"
#include "cli/scan_options.hpp"
#include "cli/scan_run.hpp"
#include "cli/subcommands.hpp"
#include "engine/pair_order.hpp"
#include "engine/pooled_run.hpp"
#include "io/errors.hpp"
#include "io/output_folder.hpp"
#include "io/text_out.hpp"
#include "report/pair_ranking.hpp"
#include "report/pairs_tsv.hpp"
#include "report/scan_heatmap.hpp"
#include "report/scan_summary.hpp"
#include "run/classic_inputs.hpp"
#include "run/result_files.hpp"

namespace coswitch {
namespace {

// Genes up to which a heatmap is drawn: beyond, its cells get too small to read.
constexpr int kMaxHeatmapGenes = 300;

void write_text_file(OutputFolder& folder, const std::string& name, const std::string& text) {
    TextOut out;
    out.create(folder.path(name), folder.target() + "/" + name);
    out.write(text);
    out.close();
}

void write_classic_folder(const std::string& dir, const ScanInputs& s) {
    const std::string why = beyond_classic_limits(s.p);
    if (!why.empty())
        throw RunError(kExitInput, "--write-classic: the classic run cannot take " + why);
    OutputFolder folder(dir);
    write_text_file(folder, "realdata.txt", realdata_text(s.p, s.in));
    write_text_file(folder, "para1.txt", para_text(s.p, s.in.PARA1));
    write_text_file(folder, "para2.txt", para_text(s.p, s.in.PARA2));
    write_text_file(folder, "answers.txt", answers_text(s.p));
    folder.commit();
}

}  // namespace

int scan_main(const std::vector<std::string>& args) {
    const auto started = std::chrono::steady_clock::now();
    const ScanOptions o = parse_scan_options(args);
    if (o.help) {
        std::fputs(scan_usage_text().c_str(), stdout);
        return kExitOk;
    }
    // A folder in the way is found before any work.
    struct stat st {};
    if (::lstat(o.output.c_str(), &st) == 0)
        throw RunError(kExitFiles, o.output +
                                       ": exists already; the output folder must be new (move or "
                                       "remove it, or choose another name with -o)");

    const ScanInputs s = scan_inputs(o);
    std::fputs(scan_inputs_text(s).c_str(), stdout);
    std::fflush(stdout);
    if (!o.write_classic.empty()) write_classic_folder(o.write_classic, s);

    OutputFolder folder(o.output);
    TextOut nulls;
    PooledRun how;
    how.threads = o.threads;
    if (o.nulls) {
        const std::string name = o.gzip ? "nulls.txt.gz" : "nulls.txt";
        nulls.create(folder.path(name), o.output + "/" + name, o.gzip);
        nulls.write(kOutputHeader);
        how.null_records = [](std::int64_t, GenePair pair, const PairResult& r) {
            std::string records;
            records.reserve(r.nullstat.size() * 79);
            for (std::size_t b = 0; b < r.nullstat.size(); ++b)
                records += output_record(pair.i, pair.j, static_cast<int>(b) + 1, r.nullstat[b],
                                         r.nullcorr[b]);
            return records;
        };
        how.write_records = [&](const std::string& text) { nulls.write(text); };
    }
    const std::int64_t pairs = pair_count(s.p.NGENE);
    Progress progress = make_progress(o.progress, pairs, s.p.NBOOT);
    how.progress = [&](std::int64_t done) {
        progress.update(done, done * (s.p.NBOOT > 0 ? s.p.NBOOT : 0));
    };
    PooledResult pooled = pooled_run(s.p, s.in, how);
    progress.finish();
    if (o.nulls) nulls.close();

    PairResults results;
    results.names = s.ids;
    results.stat_new = std::move(pooled.stat);
    results.stat_corr = std::move(pooled.corr);
    results.count_new = std::move(pooled.count_new);
    results.count_corr = std::move(pooled.count_corr);
    results.M = pooled.pooled;
    const RankedPairs ranked = rank_pairs(results);

    {
        const std::string name = o.gzip ? "pairs.tsv.gz" : "pairs.tsv";
        TextOut out;
        out.create(folder.path(name), o.output + "/" + name, o.gzip);
        write_pairs_tsv(out, results, ranked);
        out.close();
    }
    write_text_file(folder, "genes.tsv", genes_tsv(s));
    write_text_file(folder, "design.tsv", s.design_tsv);
    if (s.p.NGENE >= 2 && s.p.NGENE <= kMaxHeatmapGenes) {
        TextOut out;
        out.create(folder.path("heatmap.svg"), o.output + "/heatmap.svg");
        write_scan_heatmap(out, results, ranked);
        out.close();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    write_text_file(folder, "run.tsv", run_tsv(o, s, pooled.report, pooled.pooled, seconds));
    folder.commit();

    std::fputs(loop_warnings(pooled.report).c_str(), stderr);
    std::fputs(scan_summary(results, ranked).c_str(), stdout);
    std::printf(" results in %s\n", o.output.c_str());
    return kExitOk;
}

}  // namespace coswitch
