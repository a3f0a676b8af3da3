#include "engine/threads.hpp"

#include <sched.h>

#include <utility>

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

}  // namespace coswitch
