#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "cli/failure.hpp"
#include "io/errors.hpp"
#include "random/generator.hpp"
#include "random/sampler.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using coswitch::testing::read_file;
using coswitch::testing::ScratchDir;

namespace {
constexpr std::int64_t kM1 = 2147483563, kM2 = 2147483399, kA1 = 40014, kA2 = 40692;

// Seeds of generator 1 that one step turns into (s1, s2): times the inverse multipliers.
void set_seeds_before(GeneratorState& g, std::int64_t s1, std::int64_t s2) {
    g.GLOBE.CURSEED1[1] = static_cast<std::int32_t>(s1 * 2082061899 % kM1);
    g.GLOBE.CURSEED2[1] = static_cast<std::int32_t>(s2 * 1481316021 % kM2);
}

// A failed check ends the run as the program ends it, so it is watched from outside:
// "status|stdout|stderr", status 99 when body returns.
std::string run_in_child(const std::function<void()>& body) {
    ScratchDir d;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        int status = 99;
        if (std::freopen((d / "out").c_str(), "w", stdout) && std::freopen((d / "err").c_str(), "w", stderr)) {
            try {
                body();
            } catch (...) {
                status = report_failure();
            }
        }
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(status);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    return std::to_string(WIFEXITED(st) ? WEXITSTATUS(st) : -1) + "|" + read_file(d / "out") + "|" +
           read_file(d / "err");
}
}  // namespace

TEST(Generator, SeedsDrawsSelectionAndRestarts) {
    GeneratorState g;
    for (std::int32_t z : {695163044, 696626468, 1059541850, 620042603, 758075822}) EXPECT_EQ(ignlgi(g), z);
    const auto& G = g.GLOBE;
    EXPECT_EQ((std::array{G.INITSEED1[2], G.INITSEED2[2], G.INITSEED1[32], G.INITSEED2[32]}),
              (std::array{1270879355, 1392541422, 1844176911, 1084490152}));

    // Generator 32 runs from its own seeds; generator 1 then goes on where it stopped.
    GeneratorState copy = g;
    const std::int32_t sixth = ignlgi(copy);
    setcgn(g, 32);
    const std::int64_t s1 = 1844176911LL * kA1 % kM1, s2 = 1084490152LL * kA2 % kM2;
    EXPECT_EQ(ignlgi(g), s1 - s2 < 1 ? s1 - s2 + kM1 - 1 : s1 - s2);
    setcgn(g, 1);
    EXPECT_EQ(ignlgi(g), sixth);

    initgn(g, 0);
    EXPECT_EQ(ignlgi(g), 695163044) << "0 restarts the current block";
    // +1: the next draw is draw 2^30 + 1 from the block start.
    SamplerStream far{G.BLOCKSEED1[1], G.BLOCKSEED2[1]};
    sampler_jump(far, 1ULL << 30);
    initgn(g, 1);
    const std::int32_t next_block_first = ignlgi(g);
    EXPECT_EQ(next_block_first * 0x1p-31, sampler_uniform(far));
    ignlgi(g);
    initgn(g, 0);
    EXPECT_EQ(ignlgi(g), next_block_first) << "0 now restarts the new block";
    initgn(g, -1);
    EXPECT_EQ(ignlgi(g), 695163044) << "-1 restarts from the initial seeds";

    // Equal components give z = 0, which folds to m1 - 1: never 0.
    set_seeds_before(g, 1000000000, 1000000000);
    EXPECT_EQ(ignlgi(g), kM1 - 1);
    set_seeds_before(g, 1, kM2 - 1);
    EXPECT_EQ(ignlgi(g), kM1 - kM2 + 1);

    GeneratorState h;  // seeds set before the first draw are not replaced by the defaults
    setall(h, 1, 1);
    EXPECT_EQ(ignlgi(h), kA1 - kA2 + kM1 - 1);
}

TEST(Generator, MltmodMatchesWideArithmetic) {
    std::mt19937_64 rng(20240611);
    auto pick = [&](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
    };
    const std::int64_t top = 2147483647, two30 = 1 << 30;
    for (int i = 0; i < 100000; ++i) {
        const std::int64_t m = i < 3 ? std::array{kM1, kM2, top}[i] : pick(32769, top);
        const std::int64_t s = i < 3 ? m - 1 : pick(1, m - 1), big = std::min(two30, m - 1);
        // Anywhere, A < 32768, A >= 32768^2, a0 = 0, and the top.
        for (const std::int64_t a :
             {pick(1, m - 1), pick(1, 32767), pick(big, m - 1), 32768 * pick(1, (m - 1) / 32768), m - 1})
            ASSERT_EQ(mltmod(std::int32_t(a), std::int32_t(s), std::int32_t(m)), a * s % m)
                << a << " * " << s << " % " << m;
    }
}

TEST(Generator, BadArgumentsPrintTheirDiagnosticsAndExitAsInternalErrors) {
    GeneratorState g;
    ignlgi(g);
    const std::string out_of_order = " A, M, S out of order in MLTMOD - ABORT!\n";
    const std::string mltmod = "3|" + out_of_order + " A = ";
    const std::string rule = "\n MLTMOD requires: 0 < A < M; 0 < S < M\n|" + out_of_order;
    const std::string setcgn_failed = "3| Generator number out of range in SETCGN: Legal range is 1 to 32"
                                      " -- ABORT!\n| Generator number out of range in SETCGN\n";
    for (const auto& [call, want] : std::vector<std::pair<std::function<void()>, std::string>>{
             {[] { coswitch::mltmod(0, 5, 11); }, mltmod + "0 S = 5 M = 11" + rule},
             {[] { coswitch::mltmod(7, 11, 11); }, mltmod + "7 S = 11 M = 11" + rule},
             {[&] { setcgn(g, 0); }, setcgn_failed},
             {[&] { setcgn(g, 33); }, setcgn_failed},
             {[&] { initgn(g, 2); }, "3||ISDTYP NOT IN RANGE\n"},
             {[&] { setcgn(g, 1), setcgn(g, 32); }, "99||"}})
        EXPECT_EQ(run_in_child(call), want);

    // A host of the library gets the check as an exception, and the process goes on.
    try {
        GeneratorState fresh;
        initgn(fresh, -1);
        ADD_FAILURE() << "no stop";
    } catch (const InternalStop& e) {
        EXPECT_EQ(e.diagnostics, " INITGN called before random number generator  initialized -- abort!\n");
        EXPECT_STREQ(e.what(), " INITGN called before random number generator initialized");
        EXPECT_EQ(e.status, kExitInternal);
    }
}
