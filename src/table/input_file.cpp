#include "table/input_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "io/errors.hpp"
#include "table/gunzip.hpp"

namespace coswitch {
namespace {

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a plain file";
}

struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string read_regular_file(const std::string& path, const std::string& name) {
    // Non-blocking, so that opening a FIFO with no writer returns at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT) throw RunError(kExitInput, name + ": file not found");
        throw RunError(kExitInput, name + ": cannot open: " + std::strerror(e));
    }
    Descriptor guard{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw RunError(kExitInput, name + ": cannot open: " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        throw RunError(kExitInput, name + ": " + kind_of(st.st_mode) + ", not a regular file");
    std::string data;
    try {
        data.reserve(static_cast<std::size_t>(st.st_size));
        char buf[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                throw RunError(kExitInput, name + ": read error: " + std::strerror(errno));
            }
            data.append(buf, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        throw RunError(kExitInput, name + ": out of memory while reading the file");
    } catch (const std::length_error&) {
        throw RunError(kExitInput, name + ": out of memory while reading the file");
    }
    return data;
}

InputText read_input_text(const std::string& path, const std::string& name) {
    InputText in;
    in.text = read_regular_file(path, name);
    in.file_bytes = in.text.size();
    if (ends_with(path, ".gz")) in.text = gunzip(in.text, name);
    return in;
}

}  // namespace coswitch
