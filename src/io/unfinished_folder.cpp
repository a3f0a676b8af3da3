#include "io/unfinished_folder.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "io/new_file.hpp"

namespace coswitch {
namespace {

// A folder to remove, and the name to move it aside to first, made
// beforehand: a signal handler can make none.
struct Entry {
    std::string path;
    std::string aside;
    Entry* next = nullptr;
};

// A lock a signal handler may take too: a flag, waited for by sleeping.
// Nothing here needs constructing or destroying, so that it serves to the
// very end of the process.
struct Registry {
    std::atomic<bool> held{false};
    Entry* first = nullptr;  // changed only by the holder
    std::atomic<void (*)()> hold{nullptr};
    std::atomic<void (*)()> release{nullptr};
};
constinit Registry registry;
// How many times this thread holds the registry: a folder placed under the
// lock is forgotten under it too.
thread_local int held_here = 0;

void wait_a_moment() {
    const timespec t{0, 200 * 1000};
    ::nanosleep(&t, nullptr);
}

void take() {
    if (held_here++ > 0) return;
    if (auto hold = registry.hold.load()) hold();
    while (registry.held.exchange(true, std::memory_order_acquire)) wait_a_moment();
}

void let_go() {
    if (--held_here > 0) return;
    registry.held.store(false, std::memory_order_release);
    if (auto release = registry.release.load()) release();
}

struct Holding {
    Holding() { take(); }
    ~Holding() { let_go(); }
    Holding(const Holding&) = delete;
    Holding& operator=(const Holding&) = delete;
};

// Removes what is inside the folder open as fd, and folders in it down to
// `levels` more; with system calls alone, as a signal handler may.
void empty_folder(int fd, int levels) {
    alignas(dirent64) char buffer[4096];
    for (;;) {
        const ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
        if (n <= 0) return;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const dirent64*>(buffer + at);
            at += e->d_reclen;
            const char* name = e->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
            if (::unlinkat(fd, name, 0) == 0 || errno != EISDIR) continue;
            if (levels > 0) {
                const int sub = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (sub >= 0) {
                    empty_folder(sub, levels - 1);
                    ::close(sub);
                }
            }
            ::unlinkat(fd, name, AT_REMOVEDIR);
        }
    }
}

// The writer may still be creating files in the folder while it goes. Moved
// aside first, the folder takes no new entry by its old name; what a call
// already under way puts into it, a later pass removes.
void remove_folder(const Entry& e) {
    const char* doomed = e.path.c_str();
    if (::renameat2(AT_FDCWD, doomed, AT_FDCWD, e.aside.c_str(), RENAME_NOREPLACE) == 0)
        doomed = e.aside.c_str();
    for (int pass = 0; pass < 100; ++pass) {
        const int fd = ::open(doomed, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return;
        empty_folder(fd, 8);
        ::close(fd);
        if (::rmdir(doomed) == 0 || (errno != ENOTEMPTY && errno != EEXIST)) return;
    }
}

void remove_registered() {
    for (const Entry* e = registry.first; e != nullptr; e = e->next) remove_folder(*e);
}

}  // namespace

void add_unfinished_folder(const std::string& path) {
    auto* e = new Entry{path, temporary_name_beside(path, 0), nullptr};
    Holding lock;
    e->next = registry.first;
    registry.first = e;
}

void forget_unfinished_folder(const std::string& path) {
    Entry* gone = nullptr;
    {
        Holding lock;
        for (Entry** at = &registry.first; *at != nullptr; at = &(*at)->next) {
            if ((*at)->path == path) {
                gone = *at;
                *at = gone->next;
                break;
            }
        }
    }
    delete gone;
}

void while_holding_unfinished_folders(const std::function<void()>& fn) {
    Holding lock;
    fn();
}

void remove_unfinished_folders() {
    Entry* gone = nullptr;
    {
        Holding lock;
        remove_registered();
        gone = registry.first;
        registry.first = nullptr;
    }
    while (gone != nullptr) delete std::exchange(gone, gone->next);
}

void remove_unfinished_folders_for_good() {
    // Never let go: the process ends next.
    while (registry.held.exchange(true, std::memory_order_acquire)) wait_a_moment();
    remove_registered();
    registry.first = nullptr;
}

void hold_unfinished_folders_with(void (*hold)(), void (*release)()) {
    registry.hold = hold;
    registry.release = release;
}

}  // namespace coswitch
