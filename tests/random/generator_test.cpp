#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

#include "random/generator.hpp"
#include "random/sampler.hpp"

namespace {
using coswitch::GeneratorState;

constexpr std::int64_t kM1 = 2147483563;
constexpr std::int64_t kM2 = 2147483399;
constexpr std::int64_t kA1 = 40014;
constexpr std::int64_t kA2 = 40692;

std::int64_t power_mod(std::int64_t base, std::uint64_t e, std::int64_t m) {
    std::int64_t r = 1;
    base %= m;
    for (; e != 0; e >>= 1) {
        if (e & 1) r = r * base % m;
        base = base * base % m;
    }
    return r;
}

// Seeds that one step of the generator turns into (s1, s2).
void set_seeds_before(GeneratorState& g, int gen, std::int64_t s1, std::int64_t s2) {
    g.GLOBE.CURSEED1[gen] = static_cast<std::int32_t>(s1 * power_mod(kA1, kM1 - 2, kM1) % kM1);
    g.GLOBE.CURSEED2[gen] = static_cast<std::int32_t>(s2 * power_mod(kA2, kM2 - 2, kM2) % kM2);
}

struct ChildResult {
    int status = -1;  // exit status, or -1 when not a normal exit
    std::string out, err;
};

std::string slurp(int fd) {
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

// Runs body in a forked child with standard output and error captured; a body
// that returns ends the child with status 99.
ChildResult run_in_child(const std::function<void()>& body) {
    std::fflush(stdout);
    std::fflush(stderr);
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]), close(out[1]), close(err[0]), close(err[1]);
        body();
        std::fflush(stdout);
        _exit(99);
    }
    close(out[1]);
    close(err[1]);
    ChildResult r;
    r.out = slurp(out[0]);
    r.err = slurp(err[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}
}  // namespace

TEST(Generator, DefaultSeedingAndConstants) {
    GeneratorState g;
    EXPECT_FALSE(g.QINIT);
    EXPECT_FALSE(g.QQSSD);
    const std::int32_t first[5] = {695163044, 696626468, 1059541850, 620042603, 758075822};
    for (std::int32_t z : first) EXPECT_EQ(coswitch::ignlgi(g), z);
    EXPECT_TRUE(g.QINIT);
    EXPECT_TRUE(g.QQSSD);

    const auto& G = g.GLOBE;
    EXPECT_EQ(G.INITSEED1[1], 1234567890);
    EXPECT_EQ(G.INITSEED2[1], 123456789);
    EXPECT_EQ(G.INITSEED1[2], 1270879355);
    EXPECT_EQ(G.INITSEED2[2], 1392541422);
    EXPECT_EQ(G.INITSEED1[32], 1844176911);
    EXPECT_EQ(G.INITSEED2[32], 1084490152);
    // The block and generator spacings are powers of the multipliers.
    EXPECT_EQ(G.BLOCKMULT1, power_mod(kA1, 1ULL << 30, kM1));
    EXPECT_EQ(G.BLOCKMULT2, power_mod(kA2, 1ULL << 30, kM2));
    EXPECT_EQ(G.GENMULT1, power_mod(kA1, 1ULL << 50, kM1));
    EXPECT_EQ(G.GENMULT2, power_mod(kA2, 1ULL << 50, kM2));
    for (int n = 2; n <= 32; ++n) {
        EXPECT_EQ(G.CURSEED1[n], G.INITSEED1[n]);
        EXPECT_EQ(G.BLOCKSEED2[n], G.INITSEED2[n]);
    }
    EXPECT_EQ(g.CURNTG, 1);

    // Seeding before the first draw is kept: the default seeds are not forced on top.
    GeneratorState h;
    coswitch::setall(h, 1234567890, 123456789);
    coswitch::setcgn(h, 7);
    coswitch::setall(h, 1, 1);
    EXPECT_EQ(h.CURNTG, 7) << "setall puts back the current generator";
    coswitch::setcgn(h, 1);
    EXPECT_EQ(coswitch::ignlgi(h), static_cast<std::int32_t>(kA1 - kA2 + kM1 - 1));
}

TEST(Generator, DrawsStayInRangeAndEqualComponentsGiveTopValue) {
    GeneratorState g;
    coswitch::ignlgi(g);
    // Components stepping to the same value: z = 0 folds to m1 - 1.
    for (const std::int64_t v : {std::int64_t{1}, std::int64_t{12345}, std::int64_t{1000000000}, kM2 - 1}) {
        set_seeds_before(g, 1, v, v);
        EXPECT_EQ(coswitch::ignlgi(g), 2147483562) << v;
    }
    // Extremes of the difference: largest, and smallest after folding.
    set_seeds_before(g, 1, kM1 - 1, 1);
    EXPECT_EQ(coswitch::ignlgi(g), 2147483561);
    set_seeds_before(g, 1, 1, kM2 - 1);
    EXPECT_EQ(coswitch::ignlgi(g), static_cast<std::int32_t>(kM1 - kM2 + 1));
    set_seeds_before(g, 1, 5, 4);
    EXPECT_EQ(coswitch::ignlgi(g), 1);

    // Schrage's steps agree with 64-bit products along an ordinary run.
    GeneratorState r;
    std::int64_t s1 = 1234567890, s2 = 123456789;
    for (int i = 0; i < 200000; ++i) {
        const std::int32_t z = coswitch::ignlgi(r);
        s1 = s1 * kA1 % kM1;
        s2 = s2 * kA2 % kM2;
        std::int64_t want = s1 - s2;
        if (want < 1) want += kM1 - 1;
        ASSERT_EQ(z, want) << "draw " << i + 1;
        ASSERT_GE(z, 1);
        ASSERT_LE(z, 2147483562);
    }
}

TEST(Generator, MltmodMatchesWideArithmetic) {
    std::mt19937_64 rng(20240611);
    auto pick = [&](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
    };
    auto check = [](std::int64_t a, std::int64_t s, std::int64_t m) {
        const std::int32_t got = coswitch::mltmod(static_cast<std::int32_t>(a),
                                                  static_cast<std::int32_t>(s),
                                                  static_cast<std::int32_t>(m));
        EXPECT_EQ(got, a * s % m) << "A=" << a << " S=" << s << " M=" << m;
        return got == a * s % m;
    };
    const std::int64_t top = 2147483647;
    int bad = 0;
    for (int i = 0; i < 100000 && bad < 5; ++i) {
        const std::int64_t m = pick(2, top);
        bad += !check(pick(1, m - 1), pick(1, m - 1), m);  // anywhere
        const std::int64_t mbig = pick((1LL << 30) + 1, top);
        bad += !check(pick(1, 32767), pick(1, mbig - 1), mbig);               // small A
        bad += !check(pick(1LL << 30, mbig - 1), pick(1, mbig - 1), mbig);    // A >= 2^30
        bad += !check(32768 * pick(1, (mbig - 1) / 32768), pick(1, mbig - 1), mbig);  // a0 = 0
    }
    for (const std::int64_t m : {kM1, kM2, top}) {
        for (const std::int64_t a : {std::int64_t{1}, std::int64_t{32767}, std::int64_t{32768}, std::int64_t{1} << 30, m - 1})
            for (const std::int64_t s : {std::int64_t{1}, std::int64_t{2}, m / 2, m - 1}) check(a, s, m);
    }
    check(1, 1, 2);
    check(2082007225, 1234567890, kM1);
}

TEST(Generator, FailuresPrintDiagnosticsAndExitZero) {
    struct Case {
        std::int32_t a, s, m;
    };
    for (const Case& c : {Case{7, 0, 11}, Case{7, 11, 11}, Case{0, 5, 11}, Case{11, 5, 11},
                          Case{-3, 5, 2147483563}}) {
        const ChildResult r = run_in_child([&] { coswitch::mltmod(c.a, c.s, c.m); });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, " A, M, S out of order in MLTMOD - ABORT!\n A = " + std::to_string(c.a) +
                             " S = " + std::to_string(c.s) + " M = " + std::to_string(c.m) +
                             "\n MLTMOD requires: 0 < A < M; 0 < S < M\n");
        EXPECT_EQ(r.err, " A, M, S out of order in MLTMOD - ABORT!\n");
    }

    GeneratorState g;
    coswitch::ignlgi(g);
    for (std::int32_t gen : {0, 33, -1}) {
        const ChildResult r = run_in_child([&] { coswitch::setcgn(g, gen); });
        EXPECT_EQ(r.status, 0) << gen;
        EXPECT_EQ(r.out,
                  " Generator number out of range in SETCGN: Legal range is 1 to 32 -- ABORT!\n");
        EXPECT_EQ(r.err, " Generator number out of range in SETCGN\n");
    }
    for (std::int32_t type : {2, -2, 30}) {
        const ChildResult r = run_in_child([&] { coswitch::initgn(g, type); });
        EXPECT_EQ(r.status, 0) << type;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "ISDTYP NOT IN RANGE\n");
    }
    GeneratorState fresh;
    const ChildResult r = run_in_child([&] { coswitch::initgn(fresh, 0); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, " INITGN called before random number generator  initialized -- abort!\n");
    EXPECT_EQ(r.err, " INITGN called before random number generator initialized\n");

    // A child that does not stop is told apart from one that does.
    EXPECT_EQ(run_in_child([] {}).status, 99);
}

TEST(Generator, SelectionAndRestarts) {
    GeneratorState g;
    const std::int32_t d1 = coswitch::ignlgi(g);

    // Generators 1 and 32 are the ends of the legal range and run independently.
    coswitch::setcgn(g, 32);
    std::int32_t cur = 0;
    coswitch::getcgn(g, cur);
    EXPECT_EQ(cur, 32);
    std::int64_t s1 = 1844176911LL * kA1 % kM1, s2 = 1084490152LL * kA2 % kM2;
    EXPECT_EQ(coswitch::ignlgi(g), s1 - s2 < 1 ? s1 - s2 + kM1 - 1 : s1 - s2);
    EXPECT_EQ(g.GLOBE.CURSEED1[1], 1234567890LL * kA1 % kM1) << "generator 1 untouched";
    coswitch::setcgn(g, 1);
    EXPECT_EQ(coswitch::ignlgi(g), 696626468);

    // 0: back to the start of the current block.
    for (int i = 0; i < 10; ++i) coswitch::ignlgi(g);
    coswitch::initgn(g, 0);
    EXPECT_EQ(coswitch::ignlgi(g), d1);

    // +1: the next block starts 2^30 draws after the previous block start.
    const GeneratorState before = g;
    coswitch::initgn(g, 1);
    const auto& G = g.GLOBE;
    EXPECT_EQ(G.BLOCKSEED1[1], 1234567890LL * power_mod(kA1, 1ULL << 30, kM1) % kM1);
    EXPECT_EQ(G.BLOCKSEED2[1], 123456789LL * power_mod(kA2, 1ULL << 30, kM2) % kM2);
    EXPECT_EQ(G.INITSEED1[1], 1234567890) << "initial seeds stay";
    coswitch::SamplerStream far{before.GLOBE.BLOCKSEED1[1], before.GLOBE.BLOCKSEED2[1]};
    coswitch::sampler_jump(far, 1ULL << 30);
    const std::int32_t next_block_first = coswitch::ignlgi(g);
    EXPECT_EQ(static_cast<double>(next_block_first) * 0x1p-31, coswitch::sampler_uniform(far))
        << "draw 2^30 + 1 from the block start";
    EXPECT_EQ(G.CURSEED1[1], 1234567890LL * power_mod(kA1, (1ULL << 30) + 1, kM1) % kM1);
    EXPECT_EQ(G.CURSEED2[1], 123456789LL * power_mod(kA2, (1ULL << 30) + 1, kM2) % kM2);

    coswitch::ignlgi(g);
    coswitch::initgn(g, 0);
    EXPECT_EQ(coswitch::ignlgi(g), next_block_first) << "0 now restarts the new block";

    // -1: the whole sequence again from the initial seeds.
    coswitch::initgn(g, -1);
    for (std::int32_t z : {695163044, 696626468, 1059541850}) EXPECT_EQ(coswitch::ignlgi(g), z);
}

TEST(Generator, CopiedStateRepeatsTheSequence) {
    GeneratorState g;
    for (int i = 0; i < 37; ++i) coswitch::ignlgi(g);
    GeneratorState saved = g;
    std::int32_t a[100], b[100];
    for (std::int32_t& z : a) z = coswitch::ignlgi(g);
    for (std::int32_t& z : b) z = coswitch::ignlgi(saved);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(a[i], b[i]) << i;
    g = saved;
    EXPECT_EQ(coswitch::ignlgi(g), coswitch::ignlgi(saved));
}
