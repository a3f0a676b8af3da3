#include "engine/pair_loop.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

#include "engine/observed_pass.hpp"
#include "engine/streams.hpp"

namespace coswitch {
namespace {

// A small gene-mode run with two well-separated states per gene.
struct SmallRun {
    RunParameters p;
    Inputs in;
    explicit SmallRun(int ngene) {
        p.FLAG = 'G';
        p.NTIME = 6;
        p.NREP = 2;
        p.NBOOT = 3;
        p.NGENE = ngene;
        in.MODTCELL44.resize(p.NTIME * p.NREP, ngene);
        in.PARA1.resize(2, ngene);
        in.PARA2.resize(2, ngene);
        std::uint32_t x = 12345;
        for (int g = 1; g <= ngene; ++g) {
            in.PARA1(1, g) = 1.0;
            in.PARA1(2, g) = 0.5;
            in.PARA2(1, g) = 4.0;
            in.PARA2(2, g) = 0.7;
            for (int m = 1; m <= p.NTIME * p.NREP; ++m) {
                x = x * 1103515245u + 12345u;
                const double u = static_cast<double>(x >> 8) / 16777216.0;
                in.MODTCELL44(m, g) = ((m / 3 + g) % 2 == 0 ? 1.0 : 4.0) + (u - 0.5);
            }
        }
    }
};

// Every pair's statistics and null values, as handed on in pair order.
struct Collected {
    std::vector<std::int64_t> order;
    std::vector<double> values;
    LoopReport report;
};

Collected collect(const SmallRun& run, int threads, std::int64_t first, std::int64_t last,
                  ThreadStarter starter = {}) {
    Collected c;
    PairLoop loop;
    loop.first = first;
    loop.last = last;
    loop.threads = threads;
    loop.start_thread = starter;
    loop.computed = [](std::int64_t n, GenePair pair, const PairResult&) {
        return std::to_string(n) + ":" + std::to_string(pair.i) + "," + std::to_string(pair.j);
    };
    loop.in_order = [&](std::int64_t n, GenePair pair, const PairResult& r,
                        const std::string& text) {
        EXPECT_EQ(text, std::to_string(n) + ":" + std::to_string(pair.i) + "," +
                            std::to_string(pair.j));
        c.order.push_back(n);
        c.values.push_back(r.res);
        c.values.push_back(r.corres);
        c.values.insert(c.values.end(), r.nullstat.begin(), r.nullstat.end());
        c.values.insert(c.values.end(), r.nullcorr.begin(), r.nullcorr.end());
    };
    c.report = run_pair_loop(run.p, run.in, loop);
    return c;
}

// A starter that lets `allowed` threads start and then refuses, as a
// process limit does.
ThreadStarter refusing_after(int allowed) {
    auto started = std::make_shared<int>(0);
    return [started, allowed](std::function<void()> body) {
        if ((*started)++ >= allowed)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(body));
    };
}

TEST(PairLoop, SameValuesInPairOrderForAnyThreadsBlockOrRefusedThreads) {
    const SmallRun run(7);  // 21 pairs
    const Collected one = collect(run, 1, 0, 21);
    ASSERT_EQ(one.order.size(), 21u);
    for (std::int64_t n = 0; n < 21; ++n) EXPECT_EQ(one.order[static_cast<std::size_t>(n)], n);
    EXPECT_EQ(one.report.threads_started, 1);

    for (int threads : {2, 3, 8, 40}) {
        const Collected c = collect(run, threads, 0, 21);
        EXPECT_EQ(c.order, one.order) << threads;
        EXPECT_EQ(c.values, one.values) << threads;
        EXPECT_EQ(c.report.threads_started, std::min(threads, 21));
    }

    // A block in the middle starts from the streams the whole run has there.
    const Collected block = collect(run, 3, 5, 13);
    ASSERT_EQ(block.order.size(), 8u);
    EXPECT_EQ(block.order.front(), 5);
    const std::size_t per_pair = one.values.size() / 21;
    EXPECT_EQ(block.values, std::vector<double>(one.values.begin() + 5 * per_pair,
                                                one.values.begin() + 13 * per_pair));

    // Refused threads: the run goes on with those that started (the first
    // start is the stream producer), or on the calling thread alone.
    for (int allowed : {0, 1, 2, 3}) {
        const Collected c = collect(run, 4, 0, 21, refusing_after(allowed));
        EXPECT_EQ(c.values, one.values) << allowed;
        EXPECT_EQ(c.report.threads_asked, 4);
        EXPECT_EQ(c.report.threads_started, allowed <= 1 ? 1 : allowed - 1) << allowed;
        EXPECT_NE(loop_warnings(c.report).find("4 threads were asked for but the system started only"),
                  std::string::npos);
    }
    EXPECT_EQ(loop_warnings(one.report), "");
}

TEST(PairLoop, FailureInAHookStopsEveryThreadAndIsRethrown) {
    const SmallRun run(6);
    for (int threads : {1, 3}) {
        PairLoop loop;
        loop.last = 15;
        loop.threads = threads;
        int handed = 0;
        loop.computed = [](std::int64_t n, GenePair, const PairResult&) -> std::string {
            if (n == 9) throw std::runtime_error("disk full at pair 9");
            return {};
        };
        loop.in_order = [&](std::int64_t, GenePair, const PairResult&, const std::string&) {
            ++handed;
        };
        try {
            run_pair_loop(run.p, run.in, loop);
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "disk full at pair 9");
        }
        EXPECT_LE(handed, 9);
    }
}

TEST(PairLoop, StreamsAtAPairAreThoseTheOneThreadRunReachesThere) {
    const SmallRun run(4);
    EXPECT_EQ(sampler_draws_per_pair(run.p), 36u);
    EXPECT_EQ(normal_deviates_per_pair(run.p), 72u);
    RandomStreams walked;
    PairScratch scratch(run.p);
    PairResult r;
    GenePair pair{1, 2};
    for (int n = 0; n < 4; ++n, pair = next_pair(pair, 4))
        analyse_pair(run.p, run.in, pair.i, pair.j, walked, scratch, r);
    const RandomStreams at = streams_at(run.p, 4);
    EXPECT_EQ(at.sampler.t1, walked.sampler.t1);
    EXPECT_EQ(at.sampler.t2, walked.sampler.t2);
    EXPECT_EQ(at.normal.GLOBE.CURSEED1, walked.normal.GLOBE.CURSEED1);
    EXPECT_EQ(at.normal.GLOBE.CURSEED2, walked.normal.GLOBE.CURSEED2);
}

TEST(PairLoop, ObservedPassGivesTheStatisticsOfTheBootstrapPass) {
    const SmallRun run(40);  // 780 pairs: several chunks per thread
    const Collected full = collect(run, 2, 0, 780);
    const std::size_t per_pair = full.values.size() / 780;
    std::vector<ObservedRecord> records(780);
    std::vector<double> abs_r(780);
    for (int threads : {1, 2, 5}) {
        const ObservedPass o = observed_statistics(run.p, run.in, 0, 780, records.data(), abs_r.data(),
                                                   threads, refusing_after(threads == 5 ? 2 : 99));
        for (std::size_t n = 0; n < 780; ++n) {
            // Copies: a packed record's double takes no reference (the checks bind one).
            EXPECT_EQ(double{records[n].stat}, full.values[n * per_pair]);
            EXPECT_EQ(abs_r[n], full.values[n * per_pair + 1]);
        }
        EXPECT_EQ(o.threads_started, threads == 5 ? 3 : threads);
    }
    observed_statistics(run.p, run.in, 700, 705, records.data(), abs_r.data(), 2);
    EXPECT_EQ(double{records[4].stat}, full.values[704 * per_pair]);
    EXPECT_EQ(abs_r[4], full.values[704 * per_pair + 1]);
}

}  // namespace
}  // namespace coswitch

namespace coswitch {
namespace {

TEST(PairLoop, LongStreamSkipsOnThreadsLandWhereOneThreadDoes) {
    RunParameters p;
    p.NTIME = 18;
    p.NREP = 2;
    p.NBOOT = 100;  // 7200 deviates a pair
    const std::int64_t pairs = 5000;  // 36 million deviates: long enough for threads
    GeneratorState one, many, refused;
    skip_pairs(p, one, pairs, 1);
    skip_pairs(p, many, pairs, 3);
    skip_pairs(p, refused, pairs, 3, refusing_after(1));
    EXPECT_EQ(many.GLOBE.CURSEED1, one.GLOBE.CURSEED1);
    EXPECT_EQ(many.GLOBE.CURSEED2, one.GLOBE.CURSEED2);
    EXPECT_EQ(refused.GLOBE.CURSEED1, one.GLOBE.CURSEED1);
    EXPECT_EQ(refused.GLOBE.CURSEED2, one.GLOBE.CURSEED2);
}

}  // namespace
}  // namespace coswitch
