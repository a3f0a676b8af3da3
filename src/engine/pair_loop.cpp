#include "engine/pair_loop.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "engine/streams.hpp"
#include "random/deviates.hpp"

namespace coswitch {
namespace {

LoopReport run_sequential(const RunParameters& p, const Inputs& in, const PairLoop& loop) {
    LoopReport report;
    report.threads_started = 1;
    if (loop.first >= loop.last) return report;
    RandomStreams streams;
    if (loop.normal_at_first) {
        streams.normal = *loop.normal_at_first;
        sampler_jump(streams.sampler, sampler_draws_per_pair(p) * static_cast<std::uint64_t>(loop.first));
    } else {
        streams = streams_at(p, loop.first);
    }
    PairScratch scratch(p);
    PairResult result;
    GenePair pair = pair_at(loop.first, p.NGENE);
    for (std::int64_t n = loop.first; n < loop.last; ++n, pair = next_pair(pair, p.NGENE)) {
        if (loop.replicate_done)
            analyse_pair(p, in, pair.i, pair.j, streams, scratch, result,
                         [&](int b, double, double) { loop.replicate_done(n, b); });
        else
            analyse_pair(p, in, pair.i, pair.j, streams, scratch, result);
        const std::string text = loop.computed ? loop.computed(n, pair, result) : std::string();
        report.capped_fits += result.capped_fits;
        if (loop.in_order) loop.in_order(n, pair, result, text);
    }
    return report;
}

// Finished pairs of one batch, waiting for their turn.
struct Finished {
    std::vector<PairResult> results;
    std::vector<std::string> texts;
};

// Pairs go to the threads in batches of consecutive pairs, sized so that a
// batch is worth far more than handing it over.
std::int64_t batch_pairs(const RunParameters& p) {
    constexpr std::uint64_t kDrawsPerBatch = std::uint64_t{1} << 16;
    const std::uint64_t per_pair = std::max<std::uint64_t>(1, sampler_draws_per_pair(p));
    return static_cast<std::int64_t>(std::clamp<std::uint64_t>(kDrawsPerBatch / per_pair, 1, 1024));
}

// Workers take batches in order from a counter; a producer thread draws the
// normal stream's deviates batch after batch, which are what the batch's
// bootstraps consume of it, and hands them over; the calling thread hands
// finished pairs on in pair order. At most `window` batches are between the
// producer and the last batch handed on, which bounds memory whatever the
// number of pairs.
class ParallelLoop {
public:
    ParallelLoop(const RunParameters& p, const Inputs& in, const PairLoop& loop, int workers)
        : workers_(workers),
          p_(p),
          in_(in),
          loop_(loop),
          count_(loop.last - loop.first),
          batch_(std::min(batch_pairs(p), std::max<std::int64_t>(1, count_ / (4 * workers)))),
          batches_((count_ + batch_ - 1) / batch_),
          window_(2 * static_cast<std::int64_t>(workers) + 2),
          finished_(static_cast<std::size_t>(window_)),
          deviates_(static_cast<std::size_t>(window_)) {}

    // Runs the block on up to `workers` threads; threads_started is 0 when
    // not even one could be started, and then nothing has been handed on.
    LoopReport run(int workers) {
        LoopReport report;
        // The first helper is the producer, the others are workers.
        run_with_helpers(
            workers + 1, loop_.start_thread,
            [this](int k) {
                if (k == 0)
                    produce();
                else
                    work();
            },
            [&](int started) {
                report.threads_started = std::max(started - 1, 0);
                if (report.threads_started == 0) {
                    stop(nullptr);
                    return;
                }
                try {
                    hand_on(report);
                } catch (...) {
                    stop(std::current_exception());
                }
            });
        if (error_) std::rethrow_exception(error_);
        return report;
    }

private:
    std::size_t slot(std::int64_t k) const { return static_cast<std::size_t>(k % window_); }
    std::int64_t first_of(std::int64_t k) const { return loop_.first + k * batch_; }
    std::int64_t size_of(std::int64_t k) const { return std::min(batch_, count_ - k * batch_); }

    void hand_on(LoopReport& report) {
        GenePair pair = pair_at(loop_.first, p_.NGENE);
        for (std::int64_t k = 0; k < batches_; ++k) {
            Finished f;
            {
                std::unique_lock lock(mutex_);
                done_cv_.wait(lock, [&] { return finished_[slot(k)].has_value() || stopped_; });
                if (stopped_) return;
                f = std::move(*finished_[slot(k)]);
                finished_[slot(k)].reset();
            }
            for (std::size_t m = 0; m < f.results.size(); ++m, pair = next_pair(pair, p_.NGENE)) {
                report.capped_fits += f.results[m].capped_fits;
                if (loop_.in_order)
                    loop_.in_order(first_of(k) + static_cast<std::int64_t>(m), pair, f.results[m],
                                   f.texts[m]);
            }
            {
                std::lock_guard lock(mutex_);
                handed_on_ = k + 1;
            }
            space_cv_.notify_one();
        }
    }

    void produce() {
        try {
            GeneratorState g = loop_.normal_at_first
                                   ? *loop_.normal_at_first
                                   : streams_at(p_, loop_.first, workers_, loop_.start_thread).normal;
            const auto per_pair = static_cast<std::size_t>(normal_deviates_per_pair(p_));
            for (std::int64_t k = 0; k < batches_; ++k) {
                {
                    std::unique_lock lock(mutex_);
                    space_cv_.wait(lock, [&] { return stopped_ || k < handed_on_ + window_; });
                    if (stopped_) return;
                }
                // The slot's last batch has been handed on, and no worker reads
                // it before it is published: it is the producer's alone.
                std::vector<float>& d = deviates_[slot(k)];
                const std::size_t n = per_pair * static_cast<std::size_t>(size_of(k));
                d.resize(n);
                snorm_fill(g, d.data(), n);
                {
                    std::lock_guard lock(mutex_);
                    ready_ = k + 1;
                }
                ready_cv_.notify_all();
            }
        } catch (...) {
            stop(std::current_exception());
        }
    }

    void work() {
        try {
            PairScratch scratch(p_);
            for (;;) {
                const std::int64_t k = next_.fetch_add(1);
                if (k >= batches_) return;
                RandomStreams streams;
                {
                    std::unique_lock lock(mutex_);
                    ready_cv_.wait(lock, [&] { return stopped_ || k < ready_; });
                    if (stopped_) return;
                    streams.deviates = deviates_[slot(k)].data();
                }
                // Each pair takes its fixed share of both streams, so one
                // jump serves the batch.
                const std::int64_t first = first_of(k);
                sampler_jump(streams.sampler,
                             sampler_draws_per_pair(p_) * static_cast<std::uint64_t>(first));
                Finished f;
                f.results.resize(static_cast<std::size_t>(size_of(k)));
                f.texts.resize(f.results.size());
                GenePair pair = pair_at(first, p_.NGENE);
                for (std::size_t m = 0; m < f.results.size(); ++m, pair = next_pair(pair, p_.NGENE)) {
                    analyse_pair(p_, in_, pair.i, pair.j, streams, scratch, f.results[m]);
                    if (loop_.computed)
                        f.texts[m] = loop_.computed(first + static_cast<std::int64_t>(m), pair,
                                                    f.results[m]);
                }
                {
                    std::lock_guard lock(mutex_);
                    finished_[slot(k)] = std::move(f);
                }
                done_cv_.notify_one();
            }
        } catch (...) {
            stop(std::current_exception());
        }
    }

    // Ends every thread's waiting; e is the failure to report, if any.
    void stop(std::exception_ptr e) {
        {
            std::lock_guard lock(mutex_);
            if (e && !error_) error_ = e;
            stopped_ = true;
        }
        ready_cv_.notify_all();
        done_cv_.notify_all();
        space_cv_.notify_all();
    }

    const int workers_;
    const RunParameters& p_;
    const Inputs& in_;
    const PairLoop& loop_;
    const std::int64_t count_;    // pairs
    const std::int64_t batch_;    // pairs a batch
    const std::int64_t batches_;
    const std::int64_t window_;

    std::mutex mutex_;
    std::condition_variable ready_cv_;  // workers: a batch's deviates are there
    std::condition_variable done_cv_;   // the calling thread: a batch is finished
    std::condition_variable space_cv_;  // the producer: a batch was handed on
    std::vector<std::optional<Finished>> finished_;
    std::vector<std::vector<float>> deviates_;  // each batch's normal deviates
    std::int64_t ready_ = 0;                    // batches whose deviates are published
    std::int64_t handed_on_ = 0;
    std::atomic<std::int64_t> next_{0};
    bool stopped_ = false;
    std::exception_ptr error_;
};

}  // namespace

std::string loop_warnings(const LoopReport& r) {
    std::string text;
    if (r.threads_started < r.threads_asked)
        text += "coswitch: warning: " + std::to_string(r.threads_asked) +
                " threads were asked for but the system started only " +
                std::to_string(r.threads_started) + "; the run went on with " +
                std::to_string(r.threads_started) + " (results do not depend on it)\n";
    if (r.capped_fits > 0)
        text += "coswitch: warning: " + std::to_string(r.capped_fits) + " fit" +
                (r.capped_fits == 1 ? "" : "s") + " stopped at the limit of " +
                std::to_string(kMaxPasses) + " passes without converging\n";
    return text;
}

std::size_t pair_loop_bytes(const RunParameters& p, int workers) {
    if (workers < 2) return 0;
    const auto nboot = static_cast<std::size_t>(std::max(p.NBOOT, 0));
    const std::size_t per_pair = normal_deviates_per_pair(p) * sizeof(float) +
                                 sizeof(PairResult) + 2 * nboot * sizeof(double);
    const auto window = static_cast<std::size_t>(2 * workers + 2);
    // The deviates of a window of batches, and as many batches finished.
    return 2 * window * static_cast<std::size_t>(batch_pairs(p)) * per_pair;
}

LoopReport run_pair_loop(const RunParameters& p, const Inputs& in, const PairLoop& loop) {
    const std::int64_t count = std::max<std::int64_t>(0, loop.last - loop.first);
    int workers = loop.threads > 0 ? loop.threads : available_cores();
    workers = static_cast<int>(std::max<std::int64_t>(1, std::min<std::int64_t>(workers, count)));
    LoopReport report;
    if (workers > 1) {
        ParallelLoop parallel(p, in, loop, workers);
        report = parallel.run(workers);
    }
    // One thread, or none could be started beside this one.
    if (report.threads_started == 0) report = run_sequential(p, in, loop);
    report.threads_asked = workers;
    return report;
}

}  // namespace coswitch
