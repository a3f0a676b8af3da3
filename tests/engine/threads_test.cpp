#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "random/sampler.hpp"
#include "engine/streams.hpp"
#include "engine/threads.hpp"
#include "engine/pair_loop.hpp"
#include "support/run_program.hpp"

using namespace coswitch::testing;

// Result files must not depend on the number of threads, whatever the sizes.
TEST(Threads, ResultFilesIdenticalForEveryThreadCount) {
    struct Case {
        char mode;
        int ntime, nrep, nboot, ngene;
    };
    const Case cases[] = {{'G', 6, 2, 3, 5}, {'T', 5, 3, 2, 4}, {'G', 4, 2, 0, 3},
                          {'G', 3, 1, 1, 3}, {'T', 7, 2, 4, 2}, {'G', 5, 2, 2, 6}};
    unsigned seed = 1;
    for (const Case& c : cases) {
        ScratchDir in;
        write_synthetic_inputs(in.path(), c.ntime, c.nrep, c.ngene, c.mode == 'T', seed++);
        std::string want_p, want_o;
        for (int threads : {1, 2, 3, 7}) {
            ScratchDir d;
            for (const char* f : {"realdata.txt", "para1.txt", "para2.txt"})
                write_file(d / f, read_file(in / f));
            const auto r = run_program(d.path(), answers(c.mode, c.ntime, c.nrep, c.nboot, c.ngene),
                                       {"--threads", std::to_string(threads)});
            ASSERT_EQ(r.status, 0) << r.err;
            const std::string pv = read_file(d / "pvalue.txt");
            const std::string out = read_file(d / "output.txt");
            if (threads == 1) {
                want_p = pv;
                want_o = out;
                continue;
            }
            EXPECT_EQ(pv, want_p) << c.mode << c.ngene << " threads " << threads;
            EXPECT_EQ(out, want_o) << c.mode << c.ngene << " threads " << threads;
        }
    }
}

TEST(Threads, PairStartsAdvanceStreamsByTheirDrawCounts) {
    coswitch::RunParameters p;
    p.NTIME = 7;
    p.NREP = 3;
    p.NBOOT = 5;
    p.NGENE = 4;
    EXPECT_EQ(coswitch::sampler_draws_per_pair(p), 105u);
    EXPECT_EQ(coswitch::normal_deviates_per_pair(p), 210u);
    p.NBOOT = -3;
    EXPECT_EQ(coswitch::sampler_draws_per_pair(p), 0u);
    EXPECT_GE(coswitch::available_cores(), 1);

    coswitch::SamplerStream jumped, stepped;
    coswitch::sampler_jump(jumped, 3 * 105);
    for (int n = 0; n < 3 * 105; ++n) coswitch::sampler_uniform(stepped);
    EXPECT_EQ(jumped.t1, stepped.t1);
    EXPECT_EQ(jumped.t2, stepped.t2);
}

// Helpers start until the system refuses one; the caller learns how many and does the rest;
// a failure anywhere comes back only once every thread has ended.
TEST(Threads, HelpersBesideTheCallingThread) {
    using coswitch::run_with_helpers;
    const auto refusing_after = [](int allowed) -> coswitch::ThreadStarter {
        auto count = std::make_shared<int>(0);
        return [count, allowed](std::function<void()> body) {
            if ((*count)++ >= allowed)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            return std::thread(std::move(body));
        };
    };
    for (const int allowed : {0, 2, 5}) {
        std::vector<std::atomic<int>> runs(5);
        int seen = -1;
        const int started = run_with_helpers(5, refusing_after(allowed), [&](int k) { ++runs[k]; },
                                             [&](int n) { seen = n; });
        EXPECT_EQ(started, allowed);
        EXPECT_EQ(seen, allowed);
        for (int k = 0; k < 5; ++k) EXPECT_EQ(runs[k].load(), k < allowed ? 1 : 0) << allowed << " " << k;
    }
    EXPECT_EQ(run_with_helpers(0, {}, [](int) { ADD_FAILURE(); }, [](int n) { EXPECT_EQ(n, 0); }), 0);

    // A helper's failure, and the caller's, wait for the slow helper to finish.
    for (const int failing : {0, -1}) {
        std::atomic<bool> slow_done{false};
        try {
            run_with_helpers(
                2, {},
                [&](int k) {
                    if (k == failing) throw std::runtime_error("helper failed");
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    slow_done = true;
                },
                [&](int) {
                    if (failing < 0) throw std::runtime_error("caller failed");
                });
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), failing < 0 ? "caller failed" : "helper failed");
        }
        EXPECT_TRUE(slow_done.load()) << failing;
    }
}
