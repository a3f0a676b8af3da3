#include "cli/interrupts.hpp"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <system_error>
#include <thread>

#include "io/unfinished_folder.hpp"

namespace coswitch {
namespace {

sigset_t interrupt_signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

class Watcher {
public:
    void start() {
        if (thread_.joinable()) return;
        const sigset_t set = interrupt_signals();
        sigset_t old;
        pthread_sigmask(SIG_BLOCK, &set, &old);
        try {
            thread_ = std::thread([this, set] { watch(set); });
        } catch (const std::system_error&) {
            pthread_sigmask(SIG_SETMASK, &old, nullptr);
        }
    }

    ~Watcher() {
        if (!thread_.joinable()) return;
        stop_ = true;
        thread_.join();
    }

private:
    void watch(sigset_t set) {
        const timespec tick{0, 100 * 1000 * 1000};
        while (!stop_.load()) {
            const int sig = ::sigtimedwait(&set, nullptr, &tick);
            if (sig <= 0) continue;
            remove_unfinished_folders_for_good();
            ::signal(sig, SIG_DFL);
            sigset_t one;
            sigemptyset(&one);
            sigaddset(&one, sig);
            pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
            ::raise(sig);
            ::_exit(128 + sig);
        }
    }

    std::thread thread_;
    std::atomic<bool> stop_{false};
};

Watcher& watcher() {
    static Watcher w;
    return w;
}

}  // namespace

void watch_interrupts() { watcher().start(); }

}  // namespace coswitch
