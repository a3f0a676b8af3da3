// How long a rank takes to reach the normal stream's state at its first
// pair: it steps through every deviate of the pairs before it. Times the
// skip over a number of pairs of a given size and reports deviates per
// second and the projected time to pair 10 million.
//
// usage: stream_skip_bench [PAIRS [THREADS [NTIME NREP NBOOT]]]
//        (default 20000 pairs of 18 x 1 x 100 on 1 thread)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "engine/streams.hpp"

int main(int argc, char** argv) {
    using namespace coswitch;
    const long long pairs = argc > 1 ? std::atoll(argv[1]) : 20000;
    RunParameters p;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 1;
    p.NTIME = argc > 5 ? std::atoi(argv[3]) : 18;
    p.NREP = argc > 5 ? std::atoi(argv[4]) : 1;
    p.NBOOT = argc > 5 ? std::atoi(argv[5]) : 100;
    GeneratorState g;
    const auto start = std::chrono::steady_clock::now();
    skip_pairs(p, g, pairs, threads);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double deviates = static_cast<double>(normal_deviates_per_pair(p)) * static_cast<double>(pairs);
    std::printf("%lld pairs of %d x %d x %d, %d thread%s: %.0f deviates in %.3f s, %.2f ns each\n",
                pairs, p.NTIME, p.NREP, p.NBOOT, threads, threads == 1 ? "" : "s", deviates, s,
                1e9 * s / deviates);
    std::printf("to pair 10,000,000: %.0f s (projected)\n",
                s / static_cast<double>(pairs) * 1e7);
    // Keeps the skip from being optimised away.
    return g.GLOBE.CURSEED1[1] == 0 ? 1 : 0;
}
