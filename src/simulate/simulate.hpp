#pragma once
// Time courses with a known answer: genes that switch between a low and a
// high state, each by its own two-state chain, and pairs in which one gene
// follows another. For planning designs and for measuring how well the
// p-values of scan hold up.
#include <cstdint>
#include <string>
#include <vector>

namespace coswitch {

struct StateDensity {
    double mean = 0;
    double sd = 1;
};

enum class CouplingPhase { in, anti, mixed };

struct SimulationDesign {
    int genes = 0;
    int time_points = 0;
    int replicates = 1;
    // Each gene's probability of leaving its state between consecutive time
    // points, uniform in [switch_low, switch_high] per gene.
    double switch_low = 0.2;
    double switch_high = 0.2;
    // Genes 1-2, 3-4, ...: the second follows the first.
    int coupled_pairs = 0;
    double coupling = 0.8;
    CouplingPhase phase = CouplingPhase::in;
    StateDensity low{2, 0.6};
    StateDensity high{5, 0.6};
    // One hidden course per gene for all replicates, instead of one each.
    bool shared_course = false;
    std::int32_t seed = 1;  // 1 to kMaxSimulationSeed
};

inline constexpr std::int32_t kMaxSimulationSeed = 2147483562;

struct SimulatedGene {
    std::string id;
    double switching = 0;
    int partner = -1;       // the other gene of its coupled pair, or -1
    bool follower = false;  // follows its partner
    bool anti = false;      // follows it in opposite phase
    // By sample: time point by time point, replicates within.
    std::vector<std::int8_t> states;
    std::vector<float> values;
};

struct Simulation {
    SimulationDesign design;
    std::vector<std::string> samples;  // t1_r1, t1_r2, ...
    std::vector<SimulatedGene> genes;
};

// What is wrong with the design, in words for a message; empty when
// nothing is.
std::string design_fault(const SimulationDesign& d);

// The simulation of a sound design; the same design gives the same values
// on every machine.
Simulation simulate(const SimulationDesign& d);

// The expression table: a header "id" and the sample names, then one row
// per gene; values in the shortest text of their single-precision value.
std::string simulated_table_text(const Simulation& s);
// Per gene: gene switching partner role coupling phase.
std::string simulated_truth_text(const Simulation& s);
// The generating densities of the low (state 0) or high (state 1) state,
// in the layout of --para1/--para2 with --mode G: exactly the design's.
std::string simulated_para_text(const Simulation& s, int state);

}  // namespace coswitch
