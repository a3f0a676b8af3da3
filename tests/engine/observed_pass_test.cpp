#include "engine/observed_pass.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/pair_order.hpp"
#include "run/work_arrays.hpp"

using namespace coswitch;

namespace {

// Genes over 16 time points x 2 replicates with given high/low courses,
// states at 2 and 5 with a little deterministic noise.
Inputs courses(const RunParameters& p, const std::vector<std::vector<int>>& high) {
    Inputs in = sized_inputs(p);
    for (int g = 1; g <= p.NGENE; ++g) {
        for (int t = 1; t <= p.NTIME; ++t)
            for (int r = 1; r <= p.NREP; ++r) {
                const double noise = 0.3 * std::sin(1.7 * g + 2.3 * t + 0.9 * r);
                in.MODTCELL44((t - 1) * p.NREP + r, g) =
                    (high[static_cast<std::size_t>(g - 1)][static_cast<std::size_t>(t - 1)] ? 5.0 : 2.0) + noise;
            }
        in.PARA1(1, g) = 2.0;
        in.PARA1(2, g) = 0.5;
        in.PARA2(1, g) = 5.0;
        in.PARA2(2, g) = 0.5;
    }
    return in;
}

}  // namespace

// The phase follows the shared state, not the share of time in equal
// states: two genes in phase whose high states take 3/4 and 1/8 of the time
// are in equal states only 3/8 of the time, and still read in phase.
TEST(ObservedPass, PhaseOfInPhaseOppositeAndUnevenPairs) {
    const RunParameters p{'G', 16, 2, 0, 5};
    const std::vector<int> a = {0, 0, 1, 1, 1, 0, 0, 1, 1, 0, 0, 0, 1, 1, 1, 0};
    std::vector<int> same = a, opposite = a, mostly(16), seldom(16);
    for (int& s : opposite) s = 1 - s;
    for (int t = 0; t < 16; ++t) {
        mostly[static_cast<std::size_t>(t)] = t % 4 != 0;  // high 3/4 of the time
        seldom[static_cast<std::size_t>(t)] = t % 8 == 2;  // high 1/8, only when `mostly` is
    }
    const Inputs in = courses(p, {a, same, opposite, mostly, seldom});
    const ObservedValues o = observed_statistics(p, in, 0, pair_count(p.NGENE), 1);
    auto phase = [&](int i, int j) { return o.phase[static_cast<std::size_t>(pair_index(i, j, p.NGENE))]; };
    auto r = [&](int i, int j) { return o.r[static_cast<std::size_t>(pair_index(i, j, p.NGENE))]; };
    EXPECT_EQ(phase(1, 2), 1);
    EXPECT_EQ(phase(1, 3), -1);
    EXPECT_EQ(phase(2, 3), -1);
    EXPECT_EQ(phase(4, 5), 1);
    EXPECT_GT(r(1, 2), 0.9);
    EXPECT_LT(r(1, 3), -0.9);
    EXPECT_EQ(pair_phase(0.0), 0);
    EXPECT_EQ(pair_phase(std::nan("")), 0);
    EXPECT_EQ(pair_phase(-1e-300), -1);
}
