#include "io/new_file.hpp"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "io/errors.hpp"
#include "io/unfinished_folder.hpp"

namespace coswitch {
namespace {

[[noreturn]] void file_error(const std::string& name, const std::string& what, int err) {
    if (err == EEXIST || err == ENOTEMPTY)
        throw RunError(kExitFiles, name + ": file exists and cannot be overwritten");
    throw RunError(kExitFiles, name + ": " + what + ": " + std::strerror(err));
}

// Fails unless nothing at all is at path.
void require_absent(const std::string& path, const std::string& name) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) file_error(name, "", EEXIST);
    if (errno != ENOENT) file_error(name, "cannot create", errno);
}

// The longest name the directory takes; 255 where it does not say.
std::size_t longest_name(const std::string& dir) {
    const long n = ::pathconf(dir.empty() ? "." : dir.c_str(), _PC_NAME_MAX);
    return n > 0 ? static_cast<std::size_t>(n) : 255;
}

// Moves from to to without ever replacing to. link_fallback: for a file, a
// hard link and an unlink where the file system cannot rename without
// replacing; a folder then gets a check and a plain rename.
int place_without_replacing(const std::string& from, const std::string& to, bool link_fallback) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP)
        return errno;
    if (link_fallback) {
        if (::link(from.c_str(), to.c_str()) != 0) return errno;
        ::unlink(from.c_str());
        return 0;
    }
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    if (::rename(from.c_str(), to.c_str()) != 0) return errno;
    return 0;
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

}  // namespace

NewFile::~NewFile() {
    if (fd_ >= 0) ::close(fd_);
    if (held_ >= 0) ::close(held_);
    if (!committed_) remove_temporary();
}

void NewFile::remove_temporary() {
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

void NewFile::fail(const std::string& what, int err) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    remove_temporary();
    file_error(name_, what, err);
}

void NewFile::open(const std::string& path, const std::string& name) {
    path_ = path;
    name_ = name;
    require_absent(path, name);
    for (unsigned attempt = 0; fd_ < 0; ++attempt) {
        const std::string t = temporary_name_beside(path, attempt);
        fd_ = ::open(t.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = t;
        } else if (errno != EEXIST || attempt >= 100) {
            file_error(name, "cannot create", errno);
        }
    }
}

void NewFile::write(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd_, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write failed", errno);
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

void NewFile::commit() {
    // A file system that reports a full disk only at the sync or the close
    // still gets no complete-looking file.
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) fail("write failed", errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) fail("write failed", errno);
    // Held open, the file keeps its inode number to itself until take_back().
    const int held = ::fcntl(fd_, F_DUPFD_CLOEXEC, 3);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        if (held >= 0) ::close(held);
        fail("write failed", errno);
    }
    if (const int err = place_without_replacing(temporary_, path_, true); err != 0) {
        if (held >= 0) ::close(held);
        fail("cannot create", err);
    }
    held_ = held;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    temporary_.clear();
    committed_ = true;
}

void NewFile::take_back() {
    if (!committed_) return;
    struct stat st {};
    if (held_ >= 0 && ::lstat(path_.c_str(), &st) == 0 && st.st_dev == device_ &&
        st.st_ino == inode_)
        ::unlink(path_.c_str());
    if (held_ >= 0) ::close(held_);
    held_ = -1;
    committed_ = false;
}

void commit_together(const std::vector<NewFile*>& files) {
    std::size_t placed = 0;
    try {
        for (; placed < files.size(); ++placed) files[placed]->commit();
    } catch (...) {
        for (std::size_t k = 0; k < placed; ++k) files[k]->take_back();
        throw;
    }
}

NewDirectory::~NewDirectory() {
    if (committed_ || temporary_.empty()) return;
    // Under the registry's lock: an interrupt meanwhile waits, and finds
    // nothing left to remove, rather than half of it.
    while_holding_unfinished_folders([&] {
        ::nftw(temporary_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
        forget_unfinished_folder(temporary_);
    });
}

void NewDirectory::open(const std::string& path, const std::string& name) {
    path_ = without_trailing_slashes(path);
    name_ = name;
    require_absent(path_, name);
    for (unsigned attempt = 0; temporary_.empty(); ++attempt) {
        const std::string t = temporary_name_beside(path_, attempt);
        int e = 0;
        // Registered with the lock held from before it exists: an interrupt
        // comes before the mkdir, or after it and removes it.
        while_holding_unfinished_folders([&] {
            add_unfinished_folder(t);
            if (::mkdir(t.c_str(), 0777) != 0) {
                e = errno;
                forget_unfinished_folder(t);
            }
        });
        if (e == 0) {
            temporary_ = t;
        } else if (e != EEXIST || attempt >= 100) {
            file_error(name, "cannot create", e);
        }
    }
    struct stat st {};
    if (::lstat(temporary_.c_str(), &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
}

void NewDirectory::commit() { commit_folders_together({this}); }

int NewDirectory::place() {
    if (committed_) return 0;
    if (const int err = place_without_replacing(temporary_, path_, false); err != 0) return err;
    committed_ = true;
    forget_unfinished_folder(temporary_);
    return 0;
}

void NewDirectory::take_back() {
    struct stat st {};
    if (!committed_ || ::lstat(path_.c_str(), &st) != 0 || st.st_dev != device_ ||
        st.st_ino != inode_)
        return;
    add_unfinished_folder(temporary_);
    if (place_without_replacing(path_, temporary_, false) == 0)
        committed_ = false;
    else
        forget_unfinished_folder(temporary_);
}

void commit_folders_together(const std::vector<NewDirectory*>& folders) {
    int err = 0;
    std::size_t placed = 0;
    while_holding_unfinished_folders([&] {
        for (; placed < folders.size(); ++placed)
            if ((err = folders[placed]->place()) != 0) break;
        if (err != 0)
            for (std::size_t k = 0; k < placed; ++k) folders[k]->take_back();
    });
    if (err != 0) file_error(folders[placed]->name_, "cannot create", err);
}

std::string without_trailing_slashes(const std::string& path) {
    std::size_t n = path.size();
    while (n > 1 && path[n - 1] == '/') --n;
    return path.substr(0, n);
}

bool names_one_place(const std::string& a, const std::string& b) {
    const std::filesystem::path pa = std::filesystem::path(without_trailing_slashes(a)).lexically_normal();
    const std::filesystem::path pb = std::filesystem::path(without_trailing_slashes(b)).lexically_normal();
    if (pa.filename() != pb.filename()) return false;
    // The directories compared as the system finds them, so that symbolic
    // links and ".." are followed as a rename would follow them.
    const auto dir = [](const std::filesystem::path& p) {
        return p.has_parent_path() ? p.parent_path().string() : std::string(".");
    };
    struct stat sa {}, sb {};
    if (::stat(dir(pa).c_str(), &sa) == 0 && ::stat(dir(pb).c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return pa == pb;
}

std::string temporary_name_beside(const std::string& path, unsigned attempt) {
    static std::atomic<unsigned long> counter{0};
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    // Eight letters or digits that differ between processes, calls and
    // attempts (one left by a process of the same number is stepped over).
    std::uint64_t x = static_cast<std::uint64_t>(::getpid());
    x = x * 0x9E3779B97F4A7C15ULL + counter.fetch_add(1);
    x = x * 0x9E3779B97F4A7C15ULL + attempt;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 29;
    static constexpr char kLetters[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string suffix = ".tmp-";
    for (int k = 0; k < 8; ++k) {
        suffix += kLetters[x % 62];
        x /= 62;
    }
    // "." + base + suffix, with as much of base as the directory allows,
    // cut between characters rather than inside one.
    const std::size_t room = longest_name(dir);
    std::size_t keep = std::min(base.size(), room > suffix.size() + 1 ? room - suffix.size() - 1 : 0);
    while (keep > 0 && keep < base.size() && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80)
        --keep;
    return dir + "." + base.substr(0, keep) + suffix;
}

void rename_directory_into_place(const std::string& from, const std::string& to,
                                 const std::string& name) {
    if (const int err = place_without_replacing(from, to, false); err != 0)
        file_error(name, "cannot create", err);
}

}  // namespace coswitch
