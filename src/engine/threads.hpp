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

}  // namespace coswitch
