#include "engine/streams.hpp"

#include "random/deviates.hpp"

namespace coswitch {

std::uint64_t sampler_draws_per_pair(const RunParameters& p) {
    if (p.NBOOT <= 0 || p.NREP <= 0 || p.NTIME <= 0) return 0;
    return static_cast<std::uint64_t>(p.NBOOT) * static_cast<std::uint64_t>(p.NREP) *
           static_cast<std::uint64_t>(p.NTIME);
}

std::uint64_t normal_deviates_per_pair(const RunParameters& p) {
    return 2 * sampler_draws_per_pair(p);
}

void skip_pairs(const RunParameters& p, GeneratorState& normal, std::int64_t pairs) {
    snorm_skip(normal, normal_deviates_per_pair(p) * static_cast<std::uint64_t>(pairs));
}

RandomStreams streams_at(const RunParameters& p, std::int64_t n) {
    RandomStreams s;
    sampler_jump(s.sampler, sampler_draws_per_pair(p) * static_cast<std::uint64_t>(n));
    skip_pairs(p, s.normal, n);
    return s;
}

}  // namespace coswitch
