#include "engine/streams.hpp"

#include <vector>

#include "random/deviates.hpp"
#include "random/stream_skip.hpp"

namespace coswitch {
namespace {
// Below this many deviates one thread skips them sooner than several start.
constexpr std::uint64_t kThreadedSkip = std::uint64_t{1} << 25;
}  // namespace

std::uint64_t sampler_draws_per_pair(const RunParameters& p) {
    if (p.NBOOT <= 0 || p.NREP <= 0 || p.NTIME <= 0) return 0;
    return static_cast<std::uint64_t>(p.NBOOT) * static_cast<std::uint64_t>(p.NREP) *
           static_cast<std::uint64_t>(p.NTIME);
}

std::uint64_t normal_deviates_per_pair(const RunParameters& p) {
    return 2 * sampler_draws_per_pair(p);
}

void skip_pairs(const RunParameters& p, GeneratorState& normal, std::int64_t pairs, int threads,
                const ThreadStarter& starter) {
    std::uint64_t n = normal_deviates_per_pair(p) * static_cast<std::uint64_t>(pairs);
    // The first draw of a run seeds the generators.
    if (n > 0 && (!normal.QINIT || !normal.QQSSD)) {
        snorm(normal);
        --n;
    }
    if (threads <= 1 || n < kThreadedSkip || !segmented_skip_possible(normal)) {
        snorm_skip(normal, n);
        return;
    }
    // The uniforms cut into one segment a thread, parsed at once, then
    // stitched; a thread the system refuses leaves its segment to this one.
    const StreamOrigin o = origin_of(normal);
    const std::uint64_t end = uniforms_for(n);
    const auto parts = static_cast<std::uint64_t>(threads);
    std::vector<SkipSegment> segments(parts);
    const auto scan = [&](std::uint64_t t) {
        segments[t] = scan_skip_segment(o, end * t / parts, end * (t + 1) / parts);
    };
    run_with_helpers(threads - 1, starter, [&](int k) { scan(static_cast<std::uint64_t>(k) + 1); },
                     [&](int started) {
                         scan(0);
                         for (auto t = static_cast<std::uint64_t>(started) + 1; t < parts; ++t) scan(t);
                     });
    move_to(normal, o, locate_deviate(o, segments, n));
}

RandomStreams streams_at(const RunParameters& p, std::int64_t n, int threads,
                         const ThreadStarter& starter) {
    RandomStreams s;
    sampler_jump(s.sampler, sampler_draws_per_pair(p) * static_cast<std::uint64_t>(n));
    skip_pairs(p, s.normal, n, threads, starter);
    return s;
}

}  // namespace coswitch
