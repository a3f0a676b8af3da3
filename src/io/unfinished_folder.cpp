#include "io/unfinished_folder.hpp"

#include <filesystem>
#include <mutex>
#include <system_error>

namespace coswitch {
namespace {
struct Registry {
    std::mutex mutex;
    std::string path;
};

// Never destroyed: a signal watcher may still use it while the process exits.
Registry& registry() {
    static Registry& r = *new Registry;
    return r;
}
}  // namespace

void set_unfinished_folder(const std::string& path) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.path = path;
}

void remove_unfinished_folder() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::error_code ec;
    if (!r.path.empty()) std::filesystem::remove_all(r.path, ec);
    r.path.clear();
}

}  // namespace coswitch
