// What report.html weighs and costs: a run of G genes over 12 time points x
// 3 replicates with 50 panels, the heatmap embedded when scan would (drawn
// for at most 300 genes, embedded up to kMaxEmbeddedHeatmap). The page's
// bytes are the counter "bytes".
//   build/bench/report_page_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "engine/pair_order.hpp"
#include "io/files.hpp"
#include "io/text_out.hpp"
#include "report/pair_ranking.hpp"
#include "report/report_page.hpp"
#include "report/heatmap_genes.hpp"
#include "report/scan_heatmap.hpp"

namespace {

constexpr int kTimes = 12, kReps = 3;

// splitmix64: the same numbers everywhere.
struct Mix {
    std::uint64_t x;
    double uniform() {
        std::uint64_t z = (x += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return static_cast<double>((z ^ (z >> 31)) >> 11) / 9007199254740992.0;
    }
};

coswitch::ScanInputs inputs(int genes) {
    coswitch::ScanInputs s;
    s.p.NTIME = kTimes;
    s.p.NREP = kReps;
    s.p.NGENE = genes;
    s.p.NBOOT = 20;
    s.p.null_model = coswitch::NullModel::fixed;
    s.table_name = "bench.tsv";
    s.kept = static_cast<std::size_t>(genes);
    s.design_how = "--replicates 3";
    s.design_tsv = "sample\ttime\treplicate\ttime_index\treplicate_index\n";
    for (int t = 1; t <= kTimes; ++t)
        for (int r = 1; r <= kReps; ++r)
            s.design_tsv += "t" + std::to_string(t) + "_r" + std::to_string(r) + "\t" +
                            std::to_string(2 * t) + "\t" + std::to_string(r) + "\t" +
                            std::to_string(t) + "\t" + std::to_string(r) + "\n";
    s.design_text = "design: 12 time points x 3 replicates (--replicates 3)\n";
    s.in.MODTCELL44.resize(kTimes * kReps, genes);
    s.in.PARA1.resize(2, genes);
    s.in.PARA2.resize(2, genes);
    s.fits.resize(static_cast<std::size_t>(genes));
    Mix mix{11};
    for (int g = 1; g <= genes; ++g) {
        s.ids.push_back("YGR" + std::to_string(100000 + g) + "C");
        s.in.PARA1(1, g) = 2;
        s.in.PARA1(2, g) = 0.6;
        s.in.PARA2(1, g) = 5;
        s.in.PARA2(2, g) = 0.6;
        for (int m = 1; m <= kTimes * kReps; ++m)
            s.in.MODTCELL44(m, g) = (((m - 1) / kReps + g) / 3 % 2 ? 5 : 2) + mix.uniform() - 0.5;
    }
    return s;
}

coswitch::PairResults results(const coswitch::ScanInputs& s) {
    coswitch::PlainPairs r;
    r.names = s.ids;
    r.switching.assign(s.ids.size(), 1);
    const auto pairs = static_cast<std::size_t>(coswitch::pair_count(s.p.NGENE));
    r.M = static_cast<std::int64_t>(pairs) * 20;
    Mix mix{7};
    for (std::size_t n = 0; n < pairs; ++n) {
        const double a = mix.uniform(), b = mix.uniform();
        r.stat_new.push_back(99 * (1 - a));
        r.r.push_back(n % 3 == 0 ? -b : b);
        r.phase.push_back(n % 3 == 0 ? -1 : 1);
        r.count_new.push_back(static_cast<std::int64_t>(static_cast<double>(r.M) * a * a));
        r.count_corr.push_back(static_cast<std::int64_t>(static_cast<double>(r.M) * (1.0 - b)));
    }
    return coswitch::pair_results(r);
}

void BM_report_page(benchmark::State& state) {
    const coswitch::ScanInputs s = inputs(static_cast<int>(state.range(0)));
    coswitch::PairResults r = results(s);
    const coswitch::RankedPairs k = coswitch::rank_pairs(r);
    coswitch::PageParts parts;
    std::size_t heatmap = 0;
    const std::string dir = "/tmp/coswitch-page-bench-" + std::to_string(::getpid());
    ::mkdir(dir.c_str(), 0700);
    {
        coswitch::TextOut out;
        out.create(dir + "/heatmap.svg", "heatmap.svg");
        coswitch::write_scan_heatmap(out, r, k, coswitch::heatmap_genes(r, k));
        out.close();
        parts.heatmap_svg = coswitch::read_whole_file(dir + "/heatmap.svg", "heatmap.svg");
        heatmap = parts.heatmap_svg.size();
        if (heatmap > coswitch::kMaxEmbeddedHeatmap) parts.heatmap_svg.clear();
        ::unlink((dir + "/heatmap.svg").c_str());
    }
    const coswitch::ScanSettings o;
    const std::string page = dir + "/report.html";
    struct stat st {};
    for (auto _ : state) {
        coswitch::TextOut out;
        out.create(page, "report.html");
        coswitch::write_report_page(out, o, s, r, k, parts);
        out.close();
        ::stat(page.c_str(), &st);
        ::unlink(page.c_str());
    }
    ::rmdir(dir.c_str());
    state.counters["bytes"] = static_cast<double>(st.st_size);
    state.counters["heatmap_bytes"] = static_cast<double>(heatmap);
    state.counters["embedded"] = parts.heatmap_svg.empty() ? 0 : 1;
}
BENCHMARK(BM_report_page)->Arg(100)->Arg(110)->Arg(300)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
