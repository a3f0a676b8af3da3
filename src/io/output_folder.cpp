#include "io/output_folder.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "io/errors.hpp"
#include "io/interrupts.hpp"

namespace coswitch {
namespace {

std::string parent_of(const std::string& target) {
    const std::filesystem::path p(target);
    const std::filesystem::path parent = p.parent_path();
    return parent.empty() ? "." : parent.string();
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
    set_unfinished_folder(temp_);
}

OutputFolder::~OutputFolder() {
    if (committed_) return;
    set_unfinished_folder("");
    remove_tree(temp_);
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
    set_unfinished_folder("");
}

}  // namespace coswitch
