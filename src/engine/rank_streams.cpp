#include "engine/rank_streams.hpp"

#include <algorithm>

#include "engine/streams.hpp"
#include "random/deviates.hpp"
#include "random/stream_skip.hpp"

namespace coswitch {

GeneratorState normal_at_rank_start(const RunParameters& p, const std::vector<std::int64_t>& firsts,
                                    Ranks& ranks, int threads, const ThreadStarter& starter) {
    const int rank = ranks.rank();
    const std::uint64_t per_pair = normal_deviates_per_pair(p);
    const std::uint64_t mine = per_pair * static_cast<std::uint64_t>(firsts[static_cast<std::size_t>(rank)]);
    std::uint64_t last = 0;
    for (int r = 0; r < ranks.size(); ++r)
        last = std::max(last, per_pair * static_cast<std::uint64_t>(firsts[static_cast<std::size_t>(r)]));
    GeneratorState g;
    if (last == 0) return g;
    // Every rank seeds alike with the run's first deviate; positions count from there.
    snorm(g);
    // Every rank takes the same way, whatever its processor.
    bool everywhere = true;
    for (std::uint64_t ok : ranks.gather_words({segmented_skip_possible(g) ? 1U : 0U}))
        everywhere = everywhere && ok != 0;
    if (!everywhere) {
        GeneratorState plain;
        skip_pairs(p, plain, firsts[static_cast<std::size_t>(rank)], threads, starter);
        return plain;
    }
    const StreamOrigin o = origin_of(g);
    const std::uint64_t end = uniforms_for(last - 1);
    // Segments: as many as each rank has threads, in rank order.
    const auto t_mine = static_cast<std::uint64_t>(std::max(1, threads > 0 ? threads : available_cores()));
    const std::vector<std::uint64_t> per_rank = ranks.gather_words({t_mine});
    std::uint64_t before = 0, total = 0;
    for (int r = 0; r < ranks.size(); ++r) {
        if (r < rank) before += per_rank[static_cast<std::size_t>(r)];
        total += per_rank[static_cast<std::size_t>(r)];
    }
    std::vector<SkipSegment> scanned(t_mine);
    auto scan = [&](std::uint64_t k) {
        const std::uint64_t s = before + k;
        scanned[k] = scan_skip_segment(o, end * s / total, end * (s + 1) / total);
    };
    run_with_helpers(static_cast<int>(t_mine) - 1, starter,
                     [&](int k) { scan(static_cast<std::uint64_t>(k) + 1); }, [&](int started) {
                         scan(0);
                         for (auto k = static_cast<std::uint64_t>(started) + 1; k < t_mine; ++k) scan(k);
                     });
    std::vector<std::uint64_t> words;
    for (const SkipSegment& s : scanned) {
        const std::vector<std::uint64_t> w = to_words(s);
        words.insert(words.end(), w.begin(), w.end());
    }
    const std::vector<std::uint64_t> all = ranks.gather_words(words);
    std::vector<SkipSegment> segments;
    const std::uint64_t* w = all.data();
    for (std::uint64_t s = 0; s < total; ++s) segments.push_back(from_words(w));
    if (mine == 0) return GeneratorState{};
    move_to(g, o, locate_deviate(o, segments, mine - 1));
    return g;
}

}  // namespace coswitch
