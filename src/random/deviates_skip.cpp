// Skipping normal deviates: where the stream stands after n more of them,
// without their values. A rank that starts at pair ten million must step
// through every deviate before it.
//
// Most deviates take one uniform and are accepted at once; which ones does
// not depend on where a deviate starts, only on the uniform it starts at. So
// uniforms are made in blocks, eight runs of the stream side by side, each
// uniform is marked when a deviate starting there would be accepted at once,
// and runs of marked starts are stepped over a word of marks at a time. The
// other deviates go through the method itself, uniform by uniform.
#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "numeric/simd_path.hpp"
#include "random/deviates.hpp"
#include "random/stream_skip.hpp"
#include "random/snorm_core.hpp"

namespace coswitch {
namespace {
using namespace snorm_detail;

constexpr std::uint64_t kM1 = 2147483563, kM2 = 2147483399, kA1 = 40014, kA2 = 40692;
constexpr int kLanes = 8;
constexpr int kLane = 256;  // uniforms of one run in a block
constexpr int kBlock = kLanes * kLane;

constexpr std::uint64_t power_mod(std::uint64_t a, std::uint64_t e, std::uint64_t m) {
    std::uint64_t r = 1, b = a % m;
    while (e != 0) {
        if (e & 1U) r = r * b % m;
        b = b * b % m;
        e >>= 1U;
    }
    return r;
}

// A uniform at position p of a block (from 0) comes from the seeds a^(p+1)
// times the seeds before the block.
struct LanePowers {
    std::uint64_t first1[kLanes], first2[kLanes];
    constexpr LanePowers() : first1(), first2() {
        for (int l = 0; l < kLanes; ++l) {
            first1[l] = power_mod(kA1, static_cast<std::uint64_t>(l) * kLane + 1, kM1);
            first2[l] = power_mod(kA2, static_cast<std::uint64_t>(l) * kLane + 1, kM2);
        }
    }
};
constexpr LanePowers kPowers;
constexpr std::uint64_t kBlockStep1 = power_mod(kA1, kBlock, kM1);
constexpr std::uint64_t kBlockStep2 = power_mod(kA2, kBlock, kM2);
constexpr std::uint64_t kWindow = 1 << 16;  // starts a segment keeps for joining
constexpr std::uint64_t kCheck = 1 << 18;   // starts between checkpoints


struct SkipStream {
    std::uint64_t s1, s2;  // seeds before the block
    std::uint64_t base;    // position of the block's first uniform
    int pos = 0;           // uniforms of the block used
    // Uniform of position l * kLane + k at [k * kLanes + l]: a lane's run
    // goes down a column.
    alignas(32) float u[kBlock];
    std::uint64_t marks[kBlock / 64];  // by position: a deviate there is accepted at once

    // The stream at position `at` from o.
    SkipStream(StreamOrigin o, std::uint64_t at)
        : s1(power_mod(kA1, at, kM1) * o.s1 % kM1), s2(power_mod(kA2, at, kM2) * o.s2 % kM2), base(at) {
        make_block();
    }
    float at(int p) const { return u[(p % kLane) * kLanes + p / kLane]; }
    std::uint64_t position() const { return base + static_cast<std::uint64_t>(pos); }

    __attribute__((target("avx2"))) void make_block();

    void next_block() {
        s1 = kBlockStep1 * s1 % kM1;
        s2 = kBlockStep2 * s2 % kM2;
        base += kBlock;
        make_block();
    }
    // The source of the method, for the deviates not accepted at once.
    float next() {
        if (pos == kBlock) next_block();
        return at(pos++);
    }

    // The deviates ahead: `run` of them (at least 1) accepted at once from
    // the current position on, or none when the one there needs the method.
    int run_ahead() {
        if (pos == kBlock) next_block();
        const int bit = pos & 63;
        const std::uint64_t ahead = ~(marks[pos >> 6] >> bit);
        const int room = 64 - bit;
        const int run = ahead == 0 ? room : std::countr_zero(ahead);
        return run < room ? run : room;
    }
    void take_run(int r) { pos += r; }
    void take_one() { snorm_from(*this); }
    // Steps over n deviates.
    void skip(std::uint64_t n) {
        while (n > 0) {
            const int run = run_ahead();
            if (run == 0) {
                take_one();
                --n;
                continue;
            }
            const int r = static_cast<std::uint64_t>(run) < n ? run : static_cast<int>(n);
            take_run(r);
            n -= static_cast<std::uint64_t>(r);
        }
    }
};

// One Schrage step of eight seeds in 1..m-1, with q = m div a, r = m mod a.
// The quotient s div q goes through double precision, which is exact but for
// falling one short at multiples of q, which the remainder puts right.
__attribute__((target("avx2"))) inline __m256i schrage8(__m256i s, int a, int q, int r, int m) {
    const __m256d inv = _mm256_set1_pd(1.0 / q);
    const __m128i klo = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(s)), inv));
    const __m128i khi = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(s, 1)), inv));
    __m256i k = _mm256_set_m128i(khi, klo);
    const __m256i vq = _mm256_set1_epi32(q);
    __m256i rem = _mm256_sub_epi32(s, _mm256_mullo_epi32(k, vq));
    const __m256i over = _mm256_cmpgt_epi32(rem, _mm256_set1_epi32(q - 1));
    k = _mm256_sub_epi32(k, over);
    rem = _mm256_sub_epi32(rem, _mm256_and_si256(over, vq));
    __m256i t = _mm256_sub_epi32(_mm256_mullo_epi32(_mm256_set1_epi32(a), rem),
                                 _mm256_mullo_epi32(k, _mm256_set1_epi32(r)));
    return _mm256_add_epi32(t, _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), t),
                                                _mm256_set1_epi32(m)));
}

__attribute__((target("avx2"))) void SkipStream::make_block() {
    alignas(32) std::int32_t f1[kLanes], f2[kLanes];
    for (int l = 0; l < kLanes; ++l) {
        f1[l] = static_cast<std::int32_t>(kPowers.first1[l] * s1 % kM1);
        f2[l] = static_cast<std::int32_t>(kPowers.first2[l] * s2 % kM2);
    }
    __m256i x1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(f1));
    __m256i x2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(f2));
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i wrap = _mm256_set1_epi32(static_cast<std::int32_t>(kM1 - 1));
    const __m256 scale = _mm256_set1_ps(kScale);
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 one_f = _mm256_set1_ps(1.0f);
    const __m256 thirty_two = _mm256_set1_ps(32.0f);
    const __m256i last = _mm256_set1_epi32(31);
    alignas(32) std::uint8_t by_k[kLane];
    for (int k = 0; k < kLane; ++k) {
        // The uniform, as ranf makes it.
        __m256i z = _mm256_sub_epi32(x1, x2);
        z = _mm256_add_epi32(z, _mm256_and_si256(_mm256_cmpgt_epi32(one, z), wrap));
        const __m256 v = _mm256_mul_ps(_mm256_cvtepi32_ps(z), scale);
        _mm256_store_ps(u + k * kLanes, v);
        // The first test of a deviate starting at it, as snorm makes it.
        const __m256 sign = _mm256_and_ps(_mm256_cmp_ps(v, half, _CMP_GT_OQ), one_f);
        const __m256 w = _mm256_mul_ps(thirty_two, _mm256_sub_ps(_mm256_add_ps(v, v), sign));
        const __m256i i = _mm256_min_epi32(_mm256_cvttps_epi32(w), last);
        const __m256 ustar = _mm256_sub_ps(w, _mm256_cvtepi32_ps(i));
        const __m256 t = _mm256_i32gather_ps(T, i, 4);
        const __m256 accept = _mm256_and_ps(_mm256_cmp_ps(ustar, t, _CMP_GT_OQ),
                                            _mm256_castsi256_ps(_mm256_cmpgt_epi32(i, _mm256_setzero_si256())));
        by_k[k] = static_cast<std::uint8_t>(_mm256_movemask_ps(accept));
        x1 = schrage8(x1, 40014, 53668, 12211, 2147483563);
        x2 = schrage8(x2, 40692, 52774, 3791, 2147483399);
    }
    // Marks by position: lane l's bits, k ascending, are positions
    // l * kLane + k. Shifting each byte's bit l to its top lets one movemask
    // take it from 32 bytes at once.
    for (int w = 0; w < kLane / 64; ++w) {
        const __m256i lo = _mm256_load_si256(reinterpret_cast<const __m256i*>(by_k + w * 64));
        const __m256i hi = _mm256_load_si256(reinterpret_cast<const __m256i*>(by_k + w * 64 + 32));
        for (int l = 0; l < kLanes; ++l) {
            const __m128i shift = _mm_cvtsi32_si128(7 - l);
            const auto a = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_sll_epi16(lo, shift)));
            const auto b = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_sll_epi16(hi, shift)));
            marks[(l * kLane) / 64 + w] = a | static_cast<std::uint64_t>(b) << 32;
        }
    }
    pos = 0;
}

// n deviates through snorm_fill, in pieces.
void skip_plain(GeneratorState& g, std::uint64_t n) {
    std::vector<float> sink(static_cast<std::size_t>(std::min<std::uint64_t>(n, 1 << 16)));
    while (n > 0) {
        const auto k = static_cast<std::size_t>(std::min<std::uint64_t>(n, sink.size()));
        snorm_fill(g, sink.data(), k);
        n -= k;
    }
}


}  // namespace

void snorm_skip(GeneratorState& g, std::uint64_t n) {
    if (n == 0) return;
    // The first draw of a run seeds the generators; the plain path does it.
    if (!g.QINIT || !g.QQSSD) {
        snorm(g);
        --n;
    }
    // Short skips and other processors go the plain way.
    if (!segmented_skip_possible(g) || n < 4 * kBlock) {
        skip_plain(g, n);
        return;
    }
    const StreamOrigin o = origin_of(g);
    auto s = std::make_unique<SkipStream>(o, 0);
    s->skip(n);
    move_to(g, o, s->position());
}

bool segmented_skip_possible(const GeneratorState& g) {
    const Globe& G = g.GLOBE;
    const std::int32_t cur = g.CURNTG;
    return g.QINIT && g.QQSSD && simd_path() == SimdPath::avx2 &&
           G.MODULUS1 == static_cast<std::int32_t>(kM1) &&
           G.MODULUS2 == static_cast<std::int32_t>(kM2) &&
           G.MULT1 == static_cast<std::int32_t>(kA1) && G.MULT2 == static_cast<std::int32_t>(kA2) &&
           G.ANTITHETIC[cur] == 0 && G.CURSEED1[cur] >= 1 &&
           G.CURSEED1[cur] < static_cast<std::int32_t>(kM1) && G.CURSEED2[cur] >= 1 &&
           G.CURSEED2[cur] < static_cast<std::int32_t>(kM2);
}

StreamOrigin origin_of(const GeneratorState& g) {
    return {static_cast<std::uint32_t>(g.GLOBE.CURSEED1[g.CURNTG]),
            static_cast<std::uint32_t>(g.GLOBE.CURSEED2[g.CURNTG])};
}

void move_to(GeneratorState& g, StreamOrigin o, std::uint64_t pos) {
    g.GLOBE.CURSEED1[g.CURNTG] = static_cast<std::int32_t>(power_mod(kA1, pos, kM1) * o.s1 % kM1);
    g.GLOBE.CURSEED2[g.CURNTG] = static_cast<std::int32_t>(power_mod(kA2, pos, kM2) * o.s2 % kM2);
}

std::uint64_t uniforms_for(std::uint64_t deviates) {
    // About 1.2338 uniforms a deviate, with a spread of a few per thousand
    // over millions; the room covers far more than that.
    const double d = static_cast<double>(deviates);
    return static_cast<std::uint64_t>(1.2338 * d + 8.0 * std::sqrt(d) + 1e6);
}

SkipSegment scan_skip_segment(StreamOrigin o, std::uint64_t begin, std::uint64_t end) {
    SkipSegment seg;
    seg.begin = begin;
    seg.end = end;
    seg.window.assign(kWindow / 64, 0);
    auto s = std::make_unique<SkipStream>(o, begin);
    std::uint64_t next_check = kCheck;
    auto mark = [&](std::uint64_t first, std::uint64_t r) {
        // Window bits of the starts [first, first + r).
        for (std::uint64_t q = first; q < first + r && q - begin < kWindow; ++q)
            seg.window[(q - begin) >> 6] |= std::uint64_t{1} << ((q - begin) & 63);
    };
    for (;;) {
        const int run = s->run_ahead();
        const std::uint64_t q = s->position();
        if (q >= end) break;
        const std::uint64_t r = run == 0 ? 1 : std::min<std::uint64_t>(run, end - q);
        if (q - begin < kWindow) mark(q, r);
        while (next_check < seg.count + r) {
            seg.check_pos.push_back(q + (next_check - seg.count));
            seg.check_count.push_back(next_check);
            next_check += kCheck;
        }
        if (run == 0)
            s->take_one();
        else
            s->take_run(static_cast<int>(r));
        seg.count += r;
    }
    seg.stop = s->position();
    return seg;
}

std::vector<std::uint64_t> to_words(const SkipSegment& seg) {
    std::vector<std::uint64_t> w = {seg.begin, seg.end, seg.stop, seg.count, seg.window.size(),
                                    seg.check_pos.size()};
    w.insert(w.end(), seg.window.begin(), seg.window.end());
    w.insert(w.end(), seg.check_pos.begin(), seg.check_pos.end());
    w.insert(w.end(), seg.check_count.begin(), seg.check_count.end());
    return w;
}

SkipSegment from_words(const std::uint64_t*& w) {
    SkipSegment seg;
    seg.begin = w[0];
    seg.end = w[1];
    seg.stop = w[2];
    seg.count = w[3];
    const std::uint64_t windows = w[4], checks = w[5];
    w += 6;
    seg.window.assign(w, w + windows);
    w += windows;
    seg.check_pos.assign(w, w + checks);
    w += checks;
    seg.check_count.assign(w, w + checks);
    w += checks;
    return seg;
}

std::uint64_t locate_deviate(StreamOrigin o, const std::vector<SkipSegment>& segments,
                             std::uint64_t n) {
    // A true start and its number, walked forward from segment to segment.
    std::uint64_t p = 0, a = 0;
    std::unique_ptr<SkipStream> walker;
    auto walk_from = [&](std::uint64_t at) { walker = std::make_unique<SkipStream>(o, at); };
    auto finish = [&](std::uint64_t at, std::uint64_t index) {
        walk_from(at);
        walker->skip(n - index);
        return walker->position();
    };
    for (std::size_t t = 0; t < segments.size(); ++t) {
        const SkipSegment& seg = segments[t];
        std::uint64_t base = 0, local = 0;  // number = base + the segment's own count
        bool joined = t == 0;
        if (!joined) {
            // Walk the true starts until one is also a start of this segment.
            walk_from(p);
            for (;;) {
                const int run = walker->run_ahead();
                const std::uint64_t q = walker->position();
                if (a == n) return q;
                const std::uint64_t off = q - seg.begin;
                if (q >= seg.begin && off < kWindow && ((seg.window[off >> 6] >> (off & 63)) & 1U)) {
                    local = 0;
                    for (std::uint64_t w = 0; w < (off >> 6); ++w)
                        local += static_cast<std::uint64_t>(std::popcount(seg.window[w]));
                    local += static_cast<std::uint64_t>(
                        std::popcount(seg.window[off >> 6] & ((std::uint64_t{1} << (off & 63)) - 1)));
                    base = a - local;
                    p = q;
                    joined = true;
                    break;
                }
                // Never joined within the window (not seen in practice): walk
                // on through the whole segment instead.
                if (q >= seg.stop && q >= seg.begin + kWindow) {
                    p = q;
                    break;
                }
                if (run == 0) {
                    walker->take_one();
                    ++a;
                } else {
                    // Stop at the target or at the first start inside the window.
                    std::uint64_t r = std::min<std::uint64_t>(run, n - a);
                    for (std::uint64_t k = 1; k < r; ++k) {
                        const std::uint64_t o2 = q + k - seg.begin;
                        if (q + k >= seg.begin && o2 < kWindow &&
                            ((seg.window[o2 >> 6] >> (o2 & 63)) & 1U)) {
                            r = k;
                            break;
                        }
                    }
                    walker->take_run(static_cast<int>(r));
                    a += r;
                }
            }
            if (!joined) continue;
        } else {
            p = seg.begin;
            base = a;
        }
        if (n <= base + seg.count) {
            // The nearest checkpoint on the true starts before deviate n.
            std::uint64_t at = p, index = base + local;
            for (std::size_t k = 0; k < seg.check_pos.size(); ++k)
                if (seg.check_pos[k] >= p && base + seg.check_count[k] <= n) {
                    at = seg.check_pos[k];
                    index = base + seg.check_count[k];
                }
            return finish(at, index);
        }
        p = seg.stop;
        a = base + seg.count;
    }
    return finish(p, a);
}

}  // namespace coswitch
