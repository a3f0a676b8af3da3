#include "engine/threads.hpp"

#include <sched.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace coswitch {

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

std::thread start_thread(const ThreadStarter& starter, std::function<void()> body) {
    if (starter) return starter(std::move(body));
    return std::thread(std::move(body));
}

int run_with_helpers(int helpers, const ThreadStarter& starter,
                     const std::function<void(int k)>& helper,
                     const std::function<void(int started)>& caller) {
    std::mutex mutex;
    std::exception_ptr first;
    const auto keep = [&] {
        std::lock_guard lock(mutex);
        if (!first) first = std::current_exception();
    };
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(std::max(helpers, 0)));
    for (int k = 0; k < helpers; ++k) {
        try {
            threads.push_back(start_thread(starter, [&, k] {
                try {
                    helper(k);
                } catch (...) {
                    keep();
                }
            }));
        } catch (const std::system_error&) {
            break;  // the calling thread and those started do the work
        }
    }
    const int started = static_cast<int>(threads.size());
    try {
        caller(started);
    } catch (...) {
        keep();
    }
    for (auto& t : threads) t.join();
    if (first) std::rethrow_exception(first);
    return started;
}

}  // namespace coswitch
