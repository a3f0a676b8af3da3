#include "io/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "io/errors.hpp"

namespace coswitch {
namespace {
const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a plain file";
}
}  // namespace

std::string path_in(const std::string& dir, const std::string& name) {
    if (dir.empty() || (!name.empty() && name[0] == '/')) return name;
    return dir + "/" + name;
}

void require_directory(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw RunError(kExitInput, dir + ": no such directory (option -C)");
        throw RunError(kExitInput, dir + ": cannot use as directory (option -C): " +
                                       std::strerror(errno));
    }
    if (!S_ISDIR(st.st_mode))
        throw RunError(kExitInput, dir + ": not a directory (option -C)");
}

std::string read_whole_file(const std::string& path, const std::string& name) {
    // Not blocking on open: a pipe without a writer must be refused, not waited for.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT) throw RunError(kExitInput, name + ": file not found");
        throw RunError(kExitInput, name + ": cannot open: " + std::strerror(e));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        throw RunError(kExitInput, name + ": cannot open: " + std::strerror(e));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw RunError(kExitInput, name + ": is " + kind_of(st.st_mode) + ", not a regular file");
    }
    std::string data;
    try {
        data.reserve(static_cast<std::size_t>(st.st_size));
        char buf[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                const int e = errno;
                ::close(fd);
                throw RunError(kExitInput, name + ": read error: " + std::strerror(e));
            }
            data.append(buf, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        throw RunError(kExitFiles, name + ": out of memory while reading it");
    }
    ::close(fd);
    return data;
}

}  // namespace coswitch
