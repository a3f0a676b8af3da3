#include "simulate/simulate.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace coswitch {
namespace {

SimulationDesign design(int genes, int times, int reps) {
    SimulationDesign d;
    d.genes = genes;
    d.time_points = times;
    d.replicates = reps;
    return d;
}

std::int8_t state(const Simulation& s, int gene, int t, int r) {
    return s.genes[static_cast<std::size_t>(gene)]
        .states[static_cast<std::size_t>(t * s.design.replicates + r)];
}

// Share of time points at which two genes are in the same state, over every replicate.
double agreement(const Simulation& s, int a, int b) {
    const auto& x = s.genes[static_cast<std::size_t>(a)].states;
    const auto& y = s.genes[static_cast<std::size_t>(b)].states;
    int same = 0;
    for (std::size_t m = 0; m < x.size(); ++m) same += x[m] == y[m];
    return static_cast<double>(same) / static_cast<double>(x.size());
}

TEST(Simulate, SameBitsForTheSameSeedOnEveryMachine) {
    const SimulationDesign d = design(3, 4, 2);
    const std::string table = simulated_table_text(simulate(d));
    EXPECT_EQ(table, simulated_table_text(simulate(d)));
    // Digits of the portable streams: a library's own generator or normal
    // method would change them.
    EXPECT_EQ(table.substr(0, table.find("\ng2")),
              "id\tt1_r1\tt1_r2\tt2_r1\tt2_r2\tt3_r1\tt3_r2\tt4_r1\tt4_r2\n"
              "g1\t2.9813075\t2.2575057\t1.8065705\t2.4302974\t2.5545542\t1.7082922\t2.5401378\t2.6447294")
        << table;
    SimulationDesign other = d;
    other.seed = 2;
    EXPECT_NE(simulated_table_text(simulate(other)), table);
}

TEST(Simulate, ChainsSwitchAtTheirRateFromHalfAndHalf) {
    SimulationDesign d = design(400, 51, 1);
    d.switch_low = d.switch_high = 0.2;
    Simulation s = simulate(d);
    int switches = 0, high_first = 0;
    for (int g = 0; g < d.genes; ++g) {
        high_first += state(s, g, 0, 0);
        for (int t = 1; t < d.time_points; ++t) switches += state(s, g, t, 0) != state(s, g, t - 1, 0);
    }
    EXPECT_NEAR(switches / (400.0 * 50), 0.2, 0.015);
    EXPECT_NEAR(high_first / 400.0, 0.5, 0.08);

    // Values from the density of their state.
    double n[2] = {0, 0}, sum[2] = {0, 0}, sq[2] = {0, 0};
    for (const SimulatedGene& gene : s.genes)
        for (std::size_t m = 0; m < gene.values.size(); ++m) {
            const int k = gene.states[m];
            n[k] += 1;
            sum[k] += gene.values[m];
            sq[k] += static_cast<double>(gene.values[m]) * gene.values[m];
        }
    for (int k = 0; k < 2; ++k) {
        const double mean = sum[k] / n[k];
        EXPECT_NEAR(mean, k == 0 ? 2.0 : 5.0, 0.02) << k;
        EXPECT_NEAR(std::sqrt(sq[k] / n[k] - mean * mean), 0.6, 0.02) << k;
    }

    // A range: each gene's own probability, spread over it; rates follow.
    d.switch_low = 0.05;
    d.switch_high = 0.45;
    d.time_points = 201;
    s = simulate(d);
    double low = 1, high = 0, mean = 0, slow = 0, fast = 0;
    int nslow = 0, nfast = 0;
    for (int g = 0; g < d.genes; ++g) {
        const double p = s.genes[static_cast<std::size_t>(g)].switching;
        low = std::min(low, p);
        high = std::max(high, p);
        mean += p / d.genes;
        int k = 0;
        for (int t = 1; t < d.time_points; ++t) k += state(s, g, t, 0) != state(s, g, t - 1, 0);
        (p < 0.15 ? slow : fast) += k / 200.0;
        (p < 0.15 ? nslow : nfast) += 1;
    }
    EXPECT_GE(low, 0.05);
    EXPECT_LE(high, 0.45);
    EXPECT_LT(low, 0.07);
    EXPECT_GT(high, 0.43);
    EXPECT_NEAR(mean, 0.25, 0.02);
    EXPECT_LT(slow / nslow, 0.15);
    EXPECT_GT(fast / nfast, 0.2);
}

TEST(Simulate, FollowersTakeTheirLeadersStateAtTheCouplingRate) {
    SimulationDesign d = design(10, 40, 3);
    const Simulation free = simulate(d);
    d.coupled_pairs = 3;
    d.coupling = 1;
    d.phase = CouplingPhase::mixed;
    Simulation s = simulate(d);
    EXPECT_EQ(agreement(s, 0, 1), 1.0);  // in
    EXPECT_EQ(agreement(s, 2, 3), 0.0);  // anti
    EXPECT_EQ(agreement(s, 4, 5), 1.0);  // in again
    // Leaders and the genes outside pairs keep their own chains.
    for (int g : {0, 2, 4, 6, 7, 8, 9})
        EXPECT_EQ(s.genes[g].states, free.genes[g].states) << g;
    EXPECT_EQ(s.genes[1].partner, 0);
    EXPECT_TRUE(s.genes[1].follower);
    EXPECT_FALSE(s.genes[0].follower);
    EXPECT_EQ(s.genes[6].partner, -1);

    // Without coupling the followers' own chains are what they would be alone.
    d.coupling = 0;
    s = simulate(d);
    for (int g = 0; g < d.genes; ++g) EXPECT_EQ(s.genes[g].states, free.genes[g].states) << g;

    // Halfway: the leader's state half the time, and a free chain's agreement, one half, otherwise.
    d = design(2, 2001, 5);
    d.coupled_pairs = 1;
    d.coupling = 0.5;
    EXPECT_NEAR(agreement(simulate(d), 0, 1), 0.75, 0.02);
}

TEST(Simulate, ASharedCourseIsEveryReplicatesCourse) {
    SimulationDesign d = design(20, 15, 3);
    d.coupled_pairs = 2;
    d.shared_course = true;
    const Simulation s = simulate(d);
    bool some_differ = false;
    for (int g = 0; g < d.genes; ++g)
        for (int t = 0; t < d.time_points; ++t)
            for (int r = 1; r < 3; ++r) {
                EXPECT_EQ(state(s, g, t, r), state(s, g, t, 0)) << g << " " << t;
                some_differ = some_differ || s.genes[g].values[t * 3 + r] != s.genes[g].values[t * 3];
            }
    EXPECT_TRUE(some_differ);
    d.shared_course = false;
    const Simulation apart = simulate(d);
    int differ = 0;
    for (int g = 0; g < d.genes; ++g)
        for (int t = 0; t < d.time_points; ++t) differ += state(apart, g, t, 1) != state(apart, g, t, 0);
    EXPECT_GT(differ, 20 * 15 / 4);
}

TEST(Simulate, TruthDensitiesAndFaultsOfADesign) {
    SimulationDesign d = design(12, 3, 1);
    d.coupled_pairs = 2;
    d.phase = CouplingPhase::anti;
    d.coupling = 0.75;
    d.low = {1.5, 0.25};
    d.high = {4, 1.1};
    const Simulation s = simulate(d);
    const std::string truth = simulated_truth_text(s);
    EXPECT_EQ(truth.substr(0, truth.find("g06")),
              "gene\tswitching\tpartner\trole\tcoupling\tphase\n"
              "g01\t0.2\tg02\tleader\t0.75\tanti\n"
              "g02\t0.2\tg01\tfollower\t0.75\tanti\n"
              "g03\t0.2\tg04\tleader\t0.75\tanti\n"
              "g04\t0.2\tg03\tfollower\t0.75\tanti\n"
              "g05\t0.2\tNA\tindependent\tNA\tNA\n");
    std::string low = "1.5", high = "4", low_sd = "0.25", high_sd = "1.1";
    for (int g = 1; g < 12; ++g) {
        low += " 1.5";
        high += " 4";
        low_sd += " 0.25";
        high_sd += " 1.1";
    }
    EXPECT_EQ(simulated_para_text(s, 0), low + "\n" + low_sd + "\n");
    EXPECT_EQ(simulated_para_text(s, 1), high + "\n" + high_sd + "\n");

    EXPECT_EQ(design_fault(d), "");
    auto fault = [&](auto change) {
        SimulationDesign bad = d;
        change(bad);
        return design_fault(bad);
    };
    EXPECT_EQ(fault([](auto& b) { b.coupled_pairs = 7; }), "--coupled 7 needs 14 genes, and --genes is 12");
    EXPECT_EQ(fault([](auto& b) { b.time_points = 1; }), "--time-points: needs at least 2 time points");
    EXPECT_NE(fault([](auto& b) { b.switch_low = 0.5, b.switch_high = 0.4; }).find("--switch"), std::string::npos);
    EXPECT_NE(fault([](auto& b) { b.switch_high = 1.5; }).find("--switch"), std::string::npos);
    EXPECT_NE(fault([](auto& b) { b.coupling = -0.1; }).find("--coupling"), std::string::npos);
    EXPECT_NE(fault([](auto& b) { b.coupling = NAN; }).find("--coupling"), std::string::npos);
    EXPECT_NE(fault([](auto& b) { b.high.sd = 0; }).find("--high"), std::string::npos);
    EXPECT_EQ(fault([](auto& b) { b.high.mean = 1.5; }), "--low's mean (1.5) must be below --high's (1.5)");
    EXPECT_NE(fault([](auto& b) { b.seed = 0; }).find("--seed"), std::string::npos);
    EXPECT_NE(fault([](auto& b) { b.genes = 100000, b.time_points = 100000; }).find("values"), std::string::npos);
}

}  // namespace
}  // namespace coswitch
