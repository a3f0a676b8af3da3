#pragma once
// Progress of a long run on standard error: a self-updating line on a
// terminal, plain lines when asked for, nothing otherwise.
#include <chrono>
#include <cstdio>

#include "cli/options.hpp"

namespace coswitch {

class Progress {
public:
    // stream: where to write (standard error); is_terminal: whether it is one.
    Progress(ProgressMode mode, std::FILE* stream, bool is_terminal, long long pairs,
             long long replicates_per_pair);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Work done so far: whole pairs and bootstrap replicates of all pairs.
    void update(long long pairs_done, long long replicates_done);
    // The pairs to do, when they are known only once the run has begun.
    void set_total(long long pairs, long long replicates_per_pair);
    // Also show pairs per second (large runs, where pairs are the unit).
    void show_rate() { show_rate_ = true; }
    // Erases the self-updating line; called at the end of the run.
    void finish();

private:
    enum class Style { None, Line, Plain };
    void draw(long long pairs_done, long long replicates_done, bool force);
    Style style_ = Style::None;
    std::FILE* stream_;
    long long pairs_;
    long long replicates_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_;
    int last_percent_step_ = -1;
    std::size_t last_width_ = 0;
    bool finished_ = false;
    bool last_pair_drawn_ = false;
    bool show_rate_ = false;
};

// Progress for this process's standard error.
Progress make_progress(ProgressMode mode, long long pairs, long long replicates_per_pair);

}  // namespace coswitch
