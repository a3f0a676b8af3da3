#include "cli/progress.hpp"

#include <unistd.h>

#include <string>

#include "io/number_text.hpp"

namespace coswitch {
namespace {
std::string clock_text(double seconds) {
    if (seconds < 0) seconds = 0;
    const long long s = static_cast<long long>(seconds + 0.5);
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
    return buf;
}
// Plain lines come every few percent.
constexpr int kPlainStepPercent = 5;
}  // namespace

Progress::Progress(ProgressMode mode, std::FILE* stream, bool is_terminal, long long pairs,
                   long long replicates_per_pair)
    : stream_(stream),
      pairs_(pairs),
      replicates_(pairs * (replicates_per_pair > 0 ? replicates_per_pair : 0)),
      start_(std::chrono::steady_clock::now()),
      last_(start_) {
    if (mode == ProgressMode::Plain)
        style_ = Style::Plain;
    else if (mode == ProgressMode::Auto && is_terminal && pairs > 0)
        style_ = Style::Line;
}

Progress::~Progress() { finish(); }

void Progress::set_total(long long pairs, long long replicates_per_pair) {
    pairs_ = pairs;
    replicates_ = pairs * (replicates_per_pair > 0 ? replicates_per_pair : 0);
}

void Progress::update(long long pairs_done, long long replicates_done) {
    if (style_ == Style::None) return;
    draw(pairs_done, replicates_done, false);
}

void Progress::draw(long long pairs_done, long long replicates_done, bool force) {
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double total = replicates_ > 0 ? static_cast<double>(replicates_)
                                         : static_cast<double>(pairs_);
    const double done = replicates_ > 0 ? static_cast<double>(replicates_done)
                                        : static_cast<double>(pairs_done);
    const double fraction = total > 0 ? done / total : 1.0;
    // The line of the last pair always comes, even in the step of the last replicate.
    const bool last_pair = pairs_done >= pairs_ && !last_pair_drawn_;
    if (last_pair) last_pair_drawn_ = true;
    if (style_ == Style::Plain) {
        const int step = static_cast<int>(fraction * 100.0) / kPlainStepPercent;
        if (!force && !last_pair && step == last_percent_step_) return;
        last_percent_step_ = step;
    } else if (!force && now - last_ < std::chrono::milliseconds(200) && pairs_done < pairs_) {
        return;
    }
    last_ = now;
    // The first pairs' rate says little of the run's (a slow start, the
    // threads' first batches): no time left is guessed before 1 % or 5 s.
    std::string left = "--:--";
    if (fraction > 0 && done > 0 && (fraction >= 0.01 || elapsed >= 5.0))
        left = clock_text(elapsed / fraction - elapsed);
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "coswitch: pairs %lld/%lld, bootstrap replicates %lld/%lld, elapsed %s, "
                  "left %s",
                  pairs_done, pairs_, replicates_done, replicates_, clock_text(elapsed).c_str(),
                  left.c_str());
    std::string line = buf;
    if (show_rate_ && elapsed > 0)
        line += ", " + fixed(static_cast<double>(pairs_done) / elapsed, 1) + " pairs/s";
    if (style_ == Style::Line) {
        std::string padded = "\r" + line;
        if (line.size() < last_width_) padded += std::string(last_width_ - line.size(), ' ');
        last_width_ = line.size();
        std::fputs(padded.c_str(), stream_);
    } else {
        std::fprintf(stream_, "%s\n", line.c_str());
    }
    std::fflush(stream_);
}

void Progress::finish() {
    if (finished_) return;
    finished_ = true;
    if (style_ == Style::Line && last_width_ > 0) {
        std::fprintf(stream_, "\r%s\r", std::string(last_width_, ' ').c_str());
        std::fflush(stream_);
    }
}

Progress make_progress(ProgressMode mode, long long pairs, long long replicates_per_pair) {
    return Progress(mode, stderr, ::isatty(STDERR_FILENO) == 1, pairs, replicates_per_pair);
}

}  // namespace coswitch
