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

constexpr int kEnding[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2,
                           SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGPOLL, SIGPWR};

// Those of kEnding that act as by default: one ignored from the start
// (nohup's SIGHUP, a background job's SIGINT) is left so.
sigset_t taken_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : kEnding) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) sigaddset(&set, sig);
    }
    return set;
}

sigset_t taken;

// Async-signal-safe: from the watching thread, or a handler.
[[noreturn]] void end_by(int sig) {
    remove_unfinished_folders_for_good();
    ::signal(sig, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, sig);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    ::raise(sig);
    ::_exit(128 + sig);
}

void on_signal(int sig) { end_by(sig); }

// With the handler in place, a thread holding the folder registry takes no
// signal: the handler would wait on that thread for the registry for ever.
thread_local sigset_t before_holding;
void hold_signals() { pthread_sigmask(SIG_BLOCK, &taken, &before_holding); }
void release_signals() { pthread_sigmask(SIG_SETMASK, &before_holding, nullptr); }

class Watcher {
public:
    void start(const ThreadStarter& starter) {
        if (started_) return;
        started_ = true;
        ::signal(SIGPIPE, SIG_IGN);
        ::signal(SIGXFSZ, SIG_IGN);
        taken = taken_signals();
        sigset_t old;
        pthread_sigmask(SIG_BLOCK, &taken, &old);
        try {
            thread_ = start_thread(starter, [this] { watch(); });
            return;
        } catch (const std::system_error&) {
        }
        hold_unfinished_folders_with(hold_signals, release_signals);
        struct sigaction on {};
        on.sa_handler = on_signal;
        on.sa_mask = taken;
        for (const int sig : kEnding)
            if (sigismember(&taken, sig) == 1) ::sigaction(sig, &on, nullptr);
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }

    ~Watcher() {
        if (!thread_.joinable()) return;
        stop_ = true;
        thread_.join();
    }

private:
    void watch() {
        const timespec tick{0, 100 * 1000 * 1000};
        while (!stop_.load()) {
            const int sig = ::sigtimedwait(&taken, nullptr, &tick);
            if (sig > 0) end_by(sig);
        }
    }

    bool started_ = false;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

Watcher& watcher() {
    static Watcher w;
    return w;
}

}  // namespace

void watch_interrupts(const ThreadStarter& starter) { watcher().start(starter); }

}  // namespace coswitch
