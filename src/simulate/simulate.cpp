#include "simulate/simulate.hpp"

#include <cmath>

#include "analysis/run_data.hpp"
#include "io/numbers.hpp"
#include "random/deviates.hpp"
#include "random/generator.hpp"
#include "io/number_text.hpp"
#include "run/classic_inputs.hpp"

namespace coswitch {
namespace {

// The generator's own default second seed: --seed picks the first.
constexpr std::int32_t kSecondSeed = 123456789;

// A virtual generator for each kind of draw, so that one part of the design
// leaves the others' draws alone: coupling keeps every gene's own chain,
// other densities keep the states, other switching keeps the noise.
constexpr std::int32_t kSwitchingStream = 1;
constexpr std::int32_t kCourseStream = 2;
constexpr std::int32_t kCouplingStream = 3;
constexpr std::int32_t kNoiseStream = 4;

// Far beyond any experiment, and below what memory could hold as text.
constexpr long long kMaxValues = 1000000000;

bool sound_density(const StateDensity& s) {
    return std::isfinite(s.mean) && std::isfinite(s.sd) && s.sd > 0;
}

std::string gene_id(int k, int genes) {
    std::string number = std::to_string(k + 1);
    const std::size_t width = std::to_string(genes).size();
    // Padded, so that sorting the ids keeps the genes' order.
    return "g" + std::string(width - number.size(), '0') + number;
}

}  // namespace

std::string design_fault(const SimulationDesign& d) {
    if (d.genes < 1) return "--genes: needs at least 1 gene";
    if (d.time_points < 2) return "--time-points: needs at least 2 time points";
    if (d.replicates < 1) return "--replicates: needs at least 1 replicate";
    if (static_cast<long long>(d.genes) * d.time_points * d.replicates > kMaxValues)
        return "genes x time points x replicates is above " + std::to_string(kMaxValues) + " values";
    if (!(d.switch_low >= 0 && d.switch_low <= d.switch_high && d.switch_high <= 1))
        return "--switch: probabilities from 0 to 1, the lower first (" + shortest_text(d.switch_low) +
               ".." + shortest_text(d.switch_high) + ")";
    if (d.coupled_pairs < 0) return "--coupled: a number of pairs, 0 or more";
    if (d.coupled_pairs > d.genes / 2)
        return "--coupled " + std::to_string(d.coupled_pairs) + " needs " +
               std::to_string(2LL * d.coupled_pairs) + " genes, and --genes is " +
               std::to_string(d.genes);
    if (!(d.coupling >= 0 && d.coupling <= 1))
        return "--coupling: a probability from 0 to 1 (" + shortest_text(d.coupling) + ")";
    if (!sound_density(d.low)) return "--low: a finite mean and a standard deviation above 0";
    if (!sound_density(d.high)) return "--high: a finite mean and a standard deviation above 0";
    if (!(d.low.mean < d.high.mean))
        return "--low's mean (" + shortest_text(d.low.mean) + ") must be below --high's (" +
               shortest_text(d.high.mean) + ")";
    if (d.seed < 1 || d.seed > kMaxSimulationSeed)
        return "--seed: from 1 to " + std::to_string(kMaxSimulationSeed);
    return "";
}

Simulation simulate(const SimulationDesign& d) {
    Simulation s;
    s.design = d;
    const int T = d.time_points, R = d.replicates, N = d.genes;
    const std::size_t samples = static_cast<std::size_t>(T) * static_cast<std::size_t>(R);
    for (int t = 1; t <= T; ++t)
        for (int r = 1; r <= R; ++r) s.samples.push_back("t" + std::to_string(t) + "_r" + std::to_string(r));

    GeneratorState g;
    setall(g, d.seed, kSecondSeed);
    s.genes.resize(static_cast<std::size_t>(N));
    setcgn(g, kSwitchingStream);
    for (int k = 0; k < N; ++k) {
        SimulatedGene& gene = s.genes[static_cast<std::size_t>(k)];
        gene.id = gene_id(k, N);
        gene.switching = d.switch_low == d.switch_high
                             ? d.switch_low
                             : d.switch_low + (d.switch_high - d.switch_low) * static_cast<double>(ranf(g));
    }
    for (int k = 0; k < d.coupled_pairs; ++k) {
        SimulatedGene& leader = s.genes[static_cast<std::size_t>(2 * k)];
        SimulatedGene& follower = s.genes[static_cast<std::size_t>(2 * k + 1)];
        leader.partner = 2 * k + 1;
        follower.partner = 2 * k;
        follower.follower = true;
        leader.anti = follower.anti =
            d.phase == CouplingPhase::anti || (d.phase == CouplingPhase::mixed && k % 2 == 1);
    }

    const int courses = d.shared_course ? 1 : R;
    std::vector<std::int8_t> course(static_cast<std::size_t>(T));
    for (SimulatedGene& gene : s.genes) {
        gene.states.assign(samples, 0);
        for (int c = 0; c < courses; ++c) {
            setcgn(g, kCourseStream);
            // A symmetric chain: its stationary distribution is half and half.
            std::int8_t state = ranf(g) < 0.5f ? 0 : 1;
            for (int t = 0; t < T; ++t) {
                if (t > 0 && static_cast<double>(ranf(g)) < gene.switching) state = static_cast<std::int8_t>(1 - state);
                course[static_cast<std::size_t>(t)] = state;
            }
            if (gene.follower) {
                setcgn(g, kCouplingStream);
                const SimulatedGene& leader = s.genes[static_cast<std::size_t>(gene.partner)];
                for (int t = 0; t < T; ++t)
                    if (static_cast<double>(ranf(g)) < d.coupling) {
                        const std::int8_t led = leader.states[static_cast<std::size_t>(t * R + c)];
                        course[static_cast<std::size_t>(t)] = static_cast<std::int8_t>(gene.anti ? 1 - led : led);
                    }
            }
            const int first = d.shared_course ? 0 : c, last = d.shared_course ? R - 1 : c;
            for (int t = 0; t < T; ++t)
                for (int r = first; r <= last; ++r)
                    gene.states[static_cast<std::size_t>(t * R + r)] = course[static_cast<std::size_t>(t)];
        }
    }

    setcgn(g, kNoiseStream);
    for (SimulatedGene& gene : s.genes) {
        gene.values.resize(samples);
        for (std::size_t m = 0; m < samples; ++m) {
            const StateDensity& den = gene.states[m] != 0 ? d.high : d.low;
            gene.values[m] = static_cast<float>(den.mean + den.sd * static_cast<double>(snorm(g)));
        }
    }
    return s;
}

std::string simulated_table_text(const Simulation& s) {
    std::string out = "id";
    for (const std::string& name : s.samples) out += "\t" + name;
    out += "\n";
    for (const SimulatedGene& gene : s.genes) {
        out += gene.id;
        for (const float v : gene.values) {
            out += '\t';
            append_shortest_single(out, v);
        }
        out += '\n';
    }
    return out;
}

std::string simulated_truth_text(const Simulation& s) {
    std::string out = "gene\tswitching\tpartner\trole\tcoupling\tphase\n";
    for (const SimulatedGene& gene : s.genes) {
        out += gene.id + "\t" + shortest_text(gene.switching) + "\t";
        if (gene.partner < 0) {
            out += "NA\tindependent\tNA\tNA\n";
            continue;
        }
        out += s.genes[static_cast<std::size_t>(gene.partner)].id +
               (gene.follower ? "\tfollower\t" : "\tleader\t") + shortest_text(s.design.coupling) +
               (gene.anti ? "\tanti\n" : "\tin\n");
    }
    return out;
}

std::string simulated_para_text(const Simulation& s, int state) {
    RunParameters p;
    p.FLAG = 'G';
    p.NTIME = s.design.time_points;
    p.NREP = s.design.replicates;
    p.NGENE = s.design.genes;
    const StateDensity& den = state == 0 ? s.design.low : s.design.high;
    Array<double, 2> para(2, p.NGENE);
    for (int g = 1; g <= p.NGENE; ++g) {
        para(1, g) = den.mean;
        para(2, g) = den.sd;
    }
    return para_text(p, para);
}

}  // namespace coswitch
