#include "engine/pair_loop.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
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
    RandomStreams streams = streams_at(p, loop.first);
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

// A finished pair waiting for its turn.
struct Finished {
    PairResult result;
    std::string text;
};

// Workers take pairs in order from a counter; a producer thread draws the
// normal stream's deviates pair after pair, which are what a pair's
// bootstrap consumes of it, and hands them over; the calling thread hands
// finished pairs on in pair order. At most `window` pairs are between the
// producer and the last pair handed on, which bounds memory whatever the
// number of pairs.
class ParallelLoop {
public:
    ParallelLoop(const RunParameters& p, const Inputs& in, const PairLoop& loop, int workers)
        : workers_(workers),
          p_(p),
          in_(in),
          loop_(loop),
          count_(loop.last - loop.first),
          window_(2 * static_cast<std::int64_t>(workers) + 2),
          finished_(static_cast<std::size_t>(window_)),
          deviates_(static_cast<std::size_t>(window_)) {}

    // Runs the block on up to `workers` threads; threads_started is 0 when
    // not even one could be started, and then nothing has been handed on.
    LoopReport run(int workers) {
        LoopReport report;
        std::thread producer;
        try {
            producer = start_thread(loop_.start_thread, [this] { produce(); });
        } catch (const std::system_error&) {
            return report;
        }
        std::vector<std::thread> threads;
        for (int t = 0; t < workers; ++t) {
            try {
                threads.push_back(start_thread(loop_.start_thread, [this] { work(); }));
            } catch (const std::system_error&) {
                break;
            }
        }
        report.threads_started = static_cast<int>(threads.size());
        if (threads.empty()) {
            stop(nullptr);
            producer.join();
            return report;
        }
        try {
            hand_on(report);
        } catch (...) {
            stop(std::current_exception());
        }
        producer.join();
        for (auto& t : threads) t.join();
        if (error_) std::rethrow_exception(error_);
        return report;
    }

private:
    std::size_t slot(std::int64_t k) const { return static_cast<std::size_t>(k % window_); }

    void hand_on(LoopReport& report) {
        GenePair pair = pair_at(loop_.first, p_.NGENE);
        for (std::int64_t k = 0; k < count_; ++k, pair = next_pair(pair, p_.NGENE)) {
            Finished f;
            {
                std::unique_lock lock(mutex_);
                cv_.wait(lock, [&] { return finished_[slot(k)].has_value() || stopped_; });
                if (stopped_) return;
                f = std::move(*finished_[slot(k)]);
                finished_[slot(k)].reset();
            }
            report.capped_fits += f.result.capped_fits;
            if (loop_.in_order) loop_.in_order(loop_.first + k, pair, f.result, f.text);
            {
                std::lock_guard lock(mutex_);
                handed_on_ = k + 1;
            }
            cv_.notify_all();
        }
    }

    void produce() {
        try {
            GeneratorState g = streams_at(p_, loop_.first, workers_, loop_.start_thread).normal;
            const auto per_pair = static_cast<std::size_t>(normal_deviates_per_pair(p_));
            for (std::int64_t k = 0; k < count_; ++k) {
                {
                    std::unique_lock lock(mutex_);
                    cv_.wait(lock, [&] { return stopped_ || k < handed_on_ + window_; });
                    if (stopped_) return;
                }
                // The slot's last pair has been handed on, and no worker reads
                // it before it is published: it is the producer's alone.
                std::vector<float>& d = deviates_[slot(k)];
                d.resize(per_pair);
                snorm_fill(g, d.data(), per_pair);
                {
                    std::lock_guard lock(mutex_);
                    ready_ = k + 1;
                }
                cv_.notify_all();
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
                if (k >= count_) return;
                const std::int64_t n = loop_.first + k;
                RandomStreams streams;
                {
                    std::unique_lock lock(mutex_);
                    cv_.wait(lock, [&] { return stopped_ || k < ready_; });
                    if (stopped_) return;
                    streams.deviates = deviates_[slot(k)].data();
                }
                sampler_jump(streams.sampler, sampler_draws_per_pair(p_) *
                                                  static_cast<std::uint64_t>(n));
                const GenePair pair = pair_at(n, p_.NGENE);
                Finished f;
                analyse_pair(p_, in_, pair.i, pair.j, streams, scratch, f.result);
                if (loop_.computed) f.text = loop_.computed(n, pair, f.result);
                {
                    std::lock_guard lock(mutex_);
                    finished_[slot(k)] = std::move(f);
                }
                cv_.notify_all();
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
        cv_.notify_all();
    }

    const int workers_;
    const RunParameters& p_;
    const Inputs& in_;
    const PairLoop& loop_;
    const std::int64_t count_;
    const std::int64_t window_;

    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::optional<Finished>> finished_;
    std::vector<std::vector<float>> deviates_;  // each pair's normal deviates
    std::int64_t ready_ = 0;                    // pairs whose deviates are published
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
