#pragma once
// One gene pair's analysis: a function of the read-only inputs, the two
// random-stream states at the pair's start and caller-owned scratch.
#include <cstdint>
#include <functional>
#include <vector>

#include "analysis/run_data.hpp"
#include "dependence/chivecfun.hpp"
#include "random/generator.hpp"
#include "random/sampler.hpp"

namespace coswitch {

struct RandomStreams {
    GeneratorState normal;  // behind snorm
    SamplerStream sampler;  // behind mtn
    // When set, the normal deviates in stream order, drawn ahead (for a pair:
    // 2 x NBOOT x NREP x NTIME of them); each replicate takes its share from
    // here and moves the pointer past it, and `normal` is left untouched.
    const float* deviates = nullptr;
};

// Scratch of one pair, sized once and reused from pair to pair.
struct PairScratch {
    explicit PairScratch(const RunParameters& p);
    Array<double, 3> YEX;         // (NREP, NTIME, 2)
    std::vector<double> TEMP1;    // NTIME*NREP
    std::vector<double> TEMP2;
    Array<double, 3> QVEC;        // (NREP, NTIME, 4): the observed data's cell weights
    Array<std::int32_t, 2> ST;    // (NREP, NTIME)
    Array<std::int32_t, 3> BST;   // (NREP, NTIME, 2)
    Table4 NULLMAT;
    Table4 TMAT;
    Vec4 PIVEC{};
    Vec4 TEMP3{};
    float P[4] = {0, 0, 0, 0};
    std::int32_t IR[4] = {0, 0, 0, 0};
    double R = 0.0;
    std::vector<double> uniforms;  // one replicate's sampler uniforms, row by row
    std::vector<float> normals;    // one replicate's normal deviates, in stream order
    std::vector<double> complete1, complete2;  // both genes' values where neither is missing
    ChivecScratch fit;
    FitInfo last_fit;   // of the latest statistics; its passes hint at what the pair costs
    double last_r = 0;  // the latest signed correlation
};

struct PairResult {
    double res = 0.0;
    double corres = 0.0;
    std::vector<double> nullstat;  // NBOOT values, replicate b at [b-1]
    std::vector<double> nullcorr;
    int capped_fits = 0;           // fits that stopped at the pass limit
};

// Observed statistics of pair (i, j); leaves the fitted model in scratch.
void observed_pair(const RunParameters& p, const Inputs& in, int i, int j, PairScratch& w,
                   double& res, double& corres, int& capped);

// Bootstrap replicate of pair (i, j) from the model in scratch; refits it.
void bootstrap_replicate(const RunParameters& p, const Inputs& in, int i, int j,
                         RandomStreams& streams, PairScratch& w, double& nullstat,
                         double& nullcorr, int& capped);

// The whole pair: observed statistics, then NBOOT replicates; after each
// replicate b, on_replicate(b, nullstat, nullcorr) if given.
void analyse_pair(const RunParameters& p, const Inputs& in, int i, int j, RandomStreams& streams,
                  PairScratch& w, PairResult& out,
                  const std::function<void(int, double, double)>& on_replicate = {});

}  // namespace coswitch
