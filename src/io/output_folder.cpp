#include "io/output_folder.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "io/errors.hpp"

namespace coswitch {
namespace {

std::string parent_of(const std::string& target) {
    const std::filesystem::path p(target);
    const std::filesystem::path parent = p.parent_path();
    return parent.empty() ? "." : parent.string();
}

sigset_t interrupt_signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

void remove_tree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

}  // namespace

bool rename_no_replace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without the flag: check, then move (a narrow race only).
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

OutputFolder::OutputFolder(const std::string& target) : target_(target) {
    while (target_.size() > 1 && target_.back() == '/') target_.pop_back();
    if (target_.empty()) throw RunError(kExitInput, "the output folder needs a name (option -o)");
    struct stat st {};
    if (::lstat(target_.c_str(), &st) == 0)
        throw RunError(kExitFiles, target_ +
                                       ": exists already; the output folder must be new (move "
                                       "or remove it, or choose another name with -o)");
    const std::string parent = parent_of(target_);
    if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw RunError(kExitFiles, target_ + ": cannot create: " + parent + " is not a folder");
    const std::string base = std::filesystem::path(target_).filename().string();
    std::string pattern = parent + "/." + base + ".partial-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr)
        throw RunError(kExitFiles, target_ + ": cannot create a folder in " + parent + ": " +
                                       std::strerror(errno));
    temp_ = buf.data();
    watch_signals();
}

OutputFolder::~OutputFolder() {
    stop_watching();
    if (!committed_) remove_tree(temp_);
}

std::string OutputFolder::path(const std::string& name) const { return temp_ + "/" + name; }

void OutputFolder::commit() {
    // The folder's files stay readable by others, as a plain mkdir's would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temp_.c_str(), 0777 & ~mask);
    if (!rename_no_replace(temp_, target_)) {
        const int e = errno;
        if (e == EEXIST || e == ENOTEMPTY)
            throw RunError(kExitFiles, target_ + ": appeared while the run was going on; the "
                                                 "results were not moved there");
        throw RunError(kExitFiles, target_ + ": cannot move the results into place: " +
                                       std::strerror(e));
    }
    committed_ = true;
    stop_watching();
}

// Interrupting signals are taken by one thread, which removes the temporary
// folder and then ends the process by the same signal. Threads started later
// inherit the blocked mask, so the signal reaches this thread only.
void OutputFolder::watch_signals() {
    const sigset_t set = interrupt_signals();
    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &set, &old);
    try {
        watcher_ = std::thread([this, set] {
            const timespec tick{0, 100 * 1000 * 1000};
            while (!stop_.load()) {
                const int sig = ::sigtimedwait(&set, nullptr, &tick);
                if (sig <= 0) continue;
                remove_tree(temp_);
                ::signal(sig, SIG_DFL);
                sigset_t one;
                sigemptyset(&one);
                sigaddset(&one, sig);
                pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
                ::raise(sig);
                ::_exit(128 + sig);
            }
        });
    } catch (const std::system_error&) {
        // No thread to spare: interrupts then act as usual and may leave the
        // temporary folder behind under its hidden name.
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
}

void OutputFolder::stop_watching() {
    if (!watcher_.joinable()) return;
    stop_ = true;
    watcher_.join();
    // Signals that came meanwhile are delivered now, as usual.
    const sigset_t set = interrupt_signals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace coswitch
