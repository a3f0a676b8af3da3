#include "io/descriptors.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace coswitch {

bool open_closed_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor is fd itself, the lower ones being open.
        const int got = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (got < 0) return false;
        if (got != fd) {
            const bool moved = ::dup2(got, fd) == fd;
            ::close(got);
            if (!moved) return false;
        }
    }
    return true;
}

}  // namespace coswitch
