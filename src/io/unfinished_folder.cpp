#include "io/unfinished_folder.hpp"

#include <fcntl.h>
#include <stdio.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "io/new_file.hpp"

namespace coswitch {
namespace {
struct Registry {
    // Recursive: a folder placed under the lock is forgotten under it too.
    std::recursive_mutex mutex;
    std::vector<std::string> paths;
};

// Never destroyed: a signal watcher may still use it while the process exits.
Registry& registry() {
    static Registry& r = *new Registry;
    return r;
}

// The writer may still be creating files in path while it goes. Moved aside
// first, the folder takes no new entry by its old name; what a call already
// under way puts into it, a later pass removes.
void remove_folder(const std::string& path) {
    std::string doomed = path;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string aside = temporary_name_beside(path, attempt);
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            doomed = aside;
            break;
        }
        if (errno != EEXIST) break;
    }
    for (int pass = 0; pass < 1000; ++pass) {
        std::error_code ec;
        std::filesystem::remove_all(doomed, ec);
        if (!ec || ec == std::errc::no_such_file_or_directory) return;
        if (ec != std::errc::directory_not_empty) return;
    }
}

void remove_registered(Registry& r) {
    for (const std::string& path : r.paths) remove_folder(path);
    r.paths.clear();
}
}  // namespace

void add_unfinished_folder(const std::string& path) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.paths.push_back(path);
}

void forget_unfinished_folder(const std::string& path) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto at = std::find(r.paths.begin(), r.paths.end(), path);
    if (at != r.paths.end()) r.paths.erase(at);
}

void while_holding_unfinished_folders(const std::function<void()>& fn) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    fn();
}

void remove_unfinished_folders() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    remove_registered(r);
}

void remove_unfinished_folders_for_good() {
    Registry& r = registry();
    r.mutex.lock();  // never unlocked: the process ends next
    remove_registered(r);
}

}  // namespace coswitch
