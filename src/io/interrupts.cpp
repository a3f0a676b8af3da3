#include "io/interrupts.hpp"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

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

    void set(const std::string& path) {
        std::lock_guard lock(mutex_);
        path_ = path;
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
            {
                std::lock_guard lock(mutex_);
                std::error_code ec;
                if (!path_.empty()) std::filesystem::remove_all(path_, ec);
            }
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
    std::mutex mutex_;
    std::string path_;
};

Watcher& watcher() {
    static Watcher w;
    return w;
}

}  // namespace

void watch_interrupts() { watcher().start(); }

void set_unfinished_folder(const std::string& path) { watcher().set(path); }

}  // namespace coswitch
