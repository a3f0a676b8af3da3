#include "engine/ordered_blocks.hpp"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

namespace coswitch {

void ordered_blocks(std::int64_t count, int threads, const ThreadStarter& starter,
                    const std::function<void(std::int64_t b, std::string& text)>& make,
                    const std::function<void(const std::string& text)>& put) {
    if (count <= 0) return;
    const int helpers = static_cast<int>(std::clamp<std::int64_t>(threads, 0, count));
    const std::int64_t window = 2 * static_cast<std::int64_t>(std::max(helpers, 1));
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<std::string>> ready(static_cast<std::size_t>(window));
    std::int64_t taken = 0, handed = 0;
    bool stopped = false;
    auto stop = [&] {
        {
            std::lock_guard lock(mutex);
            stopped = true;
        }
        changed.notify_all();
    };
    auto helper = [&](int) {
        try {
            std::string text;
            for (;;) {
                std::int64_t b = 0;
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return stopped || taken >= count || taken < handed + window; });
                    if (stopped || taken >= count) return;
                    b = taken++;
                }
                text.clear();
                make(b, text);
                {
                    std::lock_guard lock(mutex);
                    ready[static_cast<std::size_t>(b % window)] = std::move(text);
                }
                changed.notify_all();
                text = std::string();
            }
        } catch (...) {
            stop();
            throw;
        }
    };
    auto caller = [&](int started) {
        try {
            std::string text;
            for (std::int64_t b = 0; b < count; ++b) {
                if (started == 0) {
                    text.clear();
                    make(b, text);
                } else {
                    std::unique_lock lock(mutex);
                    auto& slot = ready[static_cast<std::size_t>(b % window)];
                    changed.wait(lock, [&] { return stopped || slot.has_value(); });
                    if (stopped) return;
                    text = std::move(*slot);
                    slot.reset();
                    handed = b + 1;
                }
                changed.notify_all();
                put(text);
            }
        } catch (...) {
            stop();
            throw;
        }
    };
    run_with_helpers(helpers, starter, helper, caller);
}

}  // namespace coswitch
