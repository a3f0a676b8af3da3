#include "engine/streams.hpp"

#include <algorithm>
#include <vector>

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
    std::uint64_t left = normal_deviates_per_pair(p) * static_cast<std::uint64_t>(pairs);
    std::vector<float> sink(std::min<std::uint64_t>(left, 1 << 16));
    while (left > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, sink.size()));
        snorm_fill(normal, sink.data(), n);
        left -= n;
    }
}

RandomStreams streams_at(const RunParameters& p, std::int64_t n) {
    RandomStreams s;
    sampler_jump(s.sampler, sampler_draws_per_pair(p) * static_cast<std::uint64_t>(n));
    skip_pairs(p, s.normal, n);
    return s;
}

}  // namespace coswitch
