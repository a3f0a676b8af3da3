#pragma once
// Threads of the pair engine: how many, and how they are started.
#include <functional>
#include <thread>

namespace coswitch {

// The cores this process may run on (at least 1).
int available_cores();

// Starts a thread running body, or throws std::system_error as the system
// does when it refuses one; tests use it to refuse on purpose.
using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

// The starter to use: starter itself, or plain std::thread when it is empty.
std::thread start_thread(const ThreadStarter& starter, std::function<void()> body);

// Runs helper(k), k = 0, 1, ..., on up to `helpers` threads of their own,
// as many as the system starts, and meanwhile caller(started) on the
// calling thread. Returns the number started once every one has ended, or
// rethrows the first exception any of them threw. A caller that throws
// while helpers wait for it must have told them to stop.
int run_with_helpers(int helpers, const ThreadStarter& starter,
                     const std::function<void(int k)>& helper,
                     const std::function<void(int started)>& caller);

}  // namespace coswitch
