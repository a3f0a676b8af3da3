#include "engine/pair_loop.hpp"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
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

int available_cores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0) return n;
    }
    const unsigned h = std::thread::hardware_concurrency();
    return h > 0 ? static_cast<int>(h) : 1;
}

namespace {

using PairList = std::vector<std::pair<int, int>>;

PairList pair_list(int ngene) {
    PairList pairs;
    for (int i = 1; i <= ngene - 1; ++i)
        for (int j = i + 1; j <= ngene; ++j) pairs.emplace_back(i, j);
    return pairs;
}

void store(WorkArrays& wa, int i, int j, const PairResult& r) {
    wa.RES(i, j) = r.res;
    wa.CORRES(i, j) = r.corres;
    for (std::size_t b = 0; b < r.nullstat.size(); ++b) {
        wa.NULLSTAT(i, j, static_cast<int>(b) + 1) = r.nullstat[b];
        wa.NULLCORR(i, j, static_cast<int>(b) + 1) = r.nullcorr[b];
    }
}

long long run_sequential(const RunParameters& p, const Inputs& in, const PairList& pairs,
                         WorkArrays& wa, ResultFile& output, Progress& progress) {
    RandomStreams streams;
    PairScratch scratch(p);
    PairResult result;
    long long capped = 0;
    long long pairs_done = 0;
    long long replicates_done = 0;
    for (const auto& [i, j] : pairs) {
        analyse_pair(p, in, i, j, streams, scratch, result,
                     [&, i = i, j = j](int b, double nullstat, double nullcorr) {
                         output.write(output_record(i, j, b, nullstat, nullcorr));
                         progress.update(pairs_done, ++replicates_done);
                     });
        store(wa, i, j, result);
        capped += result.capped_fits;
        progress.update(++pairs_done, replicates_done);
    }
    return capped;
}

// A finished pair waiting for its turn to be written.
struct Finished {
    PairResult result;
    std::string records;
};

class ParallelRun {
public:
    ParallelRun(const RunParameters& p, const Inputs& in, const PairList& pairs, int threads)
        : p_(p),
          in_(in),
          pairs_(pairs),
          threads_(threads),
          window_(static_cast<std::size_t>(2 * threads + 2)),
          slots_(window_),
          normal_starts_(pairs.size()) {}

    long long run(WorkArrays& wa, ResultFile& output, Progress& progress) {
        std::vector<std::thread> workers;
        std::thread producer([this] { produce_normal_starts(); });
        for (int t = 0; t < threads_; ++t) workers.emplace_back([this] { work(); });
        long long capped = 0;
        try {
            long long replicates_done = 0;
            for (std::size_t n = 0; n < pairs_.size(); ++n) {
                Finished f;
                {
                    std::unique_lock lock(mutex_);
                    cv_.wait(lock, [&] { return slots_[n % window_].has_value() || failed_; });
                    if (failed_) break;
                    f = std::move(*slots_[n % window_]);
                    slots_[n % window_].reset();
                }
                output.write(f.records);
                store(wa, pairs_[n].first, pairs_[n].second, f.result);
                capped += f.result.capped_fits;
                replicates_done += static_cast<long long>(f.result.nullstat.size());
                {
                    std::lock_guard lock(mutex_);
                    written_ = n + 1;
                }
                cv_.notify_all();
                progress.update(static_cast<long long>(n + 1), replicates_done);
            }
        } catch (...) {
            fail(std::current_exception());
        }
        producer.join();
        for (auto& w : workers) w.join();
        if (error_) std::rethrow_exception(error_);
        return capped;
    }

private:
    // The normal stream's state at each pair's start: its deviate count per
    // pair is fixed but its uniform count is not, so it is stepped through.
    void produce_normal_starts() {
        try {
            GeneratorState g;
            const std::uint64_t per_pair = normal_deviates_per_pair(p_);
            for (std::size_t n = 0; n < pairs_.size(); ++n) {
                normal_starts_[n] = g;
                {
                    std::lock_guard lock(mutex_);
                    if (failed_) return;
                    normal_ready_ = n + 1;
                }
                cv_.notify_all();
                if (n + 1 < pairs_.size())
                    for (std::uint64_t d = 0; d < per_pair; ++d) snorm(g);
            }
        } catch (...) {
            fail(std::current_exception());
        }
    }

    void work() {
        try {
            PairScratch scratch(p_);
            for (;;) {
                const std::size_t n = next_.fetch_add(1);
                if (n >= pairs_.size()) return;
                RandomStreams streams;
                {
                    std::unique_lock lock(mutex_);
                    cv_.wait(lock, [&] {
                        return failed_ || (n < written_ + window_ && n < normal_ready_);
                    });
                    if (failed_) return;
                    streams.normal = normal_starts_[n];
                }
                sampler_jump(streams.sampler, sampler_draws_per_pair(p_) * n);
                const auto [i, j] = pairs_[n];
                Finished f;
                analyse_pair(p_, in_, i, j, streams, scratch, f.result);
                f.records.reserve(f.result.nullstat.size() * 79);
                for (std::size_t b = 0; b < f.result.nullstat.size(); ++b)
                    f.records += output_record(i, j, static_cast<int>(b) + 1,
                                               f.result.nullstat[b], f.result.nullcorr[b]);
                {
                    std::lock_guard lock(mutex_);
                    slots_[n % window_] = std::move(f);
                }
                cv_.notify_all();
            }
        } catch (...) {
            fail(std::current_exception());
        }
    }

    void fail(std::exception_ptr e) {
        {
            std::lock_guard lock(mutex_);
            if (!error_) error_ = e;
            failed_ = true;
        }
        cv_.notify_all();
    }

    const RunParameters& p_;
    const Inputs& in_;
    const PairList& pairs_;
    const int threads_;
    const std::size_t window_;  // pairs that may be finished ahead of the writer

    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::optional<Finished>> slots_;
    std::vector<GeneratorState> normal_starts_;
    std::size_t normal_ready_ = 0;
    std::size_t written_ = 0;
    std::atomic<std::size_t> next_{0};
    bool failed_ = false;
    std::exception_ptr error_;
};

}  // namespace

long long run_pairs(const RunParameters& p, const Inputs& in, int threads, WorkArrays& wa,
                    ResultFile& output, Progress& progress) {
    const PairList pairs = pair_list(p.NGENE);
    if (threads <= 0) threads = available_cores();
    threads = std::min<long long>(threads, static_cast<long long>(pairs.size()));
    if (threads <= 1) return run_sequential(p, in, pairs, wa, output, progress);
    ParallelRun run(p, in, pairs, threads);
    return run.run(wa, output, progress);
}

}  // namespace coswitch
