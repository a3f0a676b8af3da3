#include "io/text_out.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "io/errors.hpp"

namespace coswitch {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

gzFile as_gz(void* p) { return static_cast<gzFile>(p); }

}  // namespace

TextOut::~TextOut() {
    if (gz_ != nullptr) gzclose(as_gz(gz_));
    else if (fd_ >= 0 && owns_fd_) ::close(fd_);
}

void TextOut::fail(const std::string& what, int err) {
    std::string message = name_ + ": " + what;
    if (err != 0) message += std::string(": ") + std::strerror(err);
    throw RunError(kExitFiles, message);
}

void TextOut::open_gzip(int fd) {
    // zlib writes a header without a name or a time, so the bytes depend on
    // the text alone.
    gz_ = gzdopen(fd, "wb");
    if (gz_ == nullptr) {
        const int e = errno;
        ::close(fd);
        fail("cannot start compression", e);
    }
}

void TextOut::create(const std::string& path, const std::string& name, bool gzip) {
    path_ = path;
    name_ = name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int e = errno;
        if (e == EEXIST) fail("file exists and cannot be overwritten", 0);
        fail("cannot create", e);
    }
    owns_fd_ = true;
    if (gzip)
        open_gzip(fd);
    else
        fd_ = fd;
    buffer_.reserve(kBufferSize);
}

void TextOut::attach(int fd, const std::string& name, bool gzip) {
    path_.clear();
    name_ = name;
    owns_fd_ = false;
    if (gzip) {
        // gzclose closes what it was given: hand it a copy.
        const int copy = ::dup(fd);
        if (copy < 0) fail("cannot write", errno);
        open_gzip(copy);
    } else {
        fd_ = fd;
    }
    buffer_.reserve(kBufferSize);
}

void TextOut::flush() {
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    if (gz_ != nullptr) {
        while (left > 0) {
            const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(left, 1u << 30));
            errno = 0;
            const int n = gzwrite(as_gz(gz_), p, chunk);
            if (n <= 0) {
                int code = 0;
                const char* msg = gzerror(as_gz(gz_), &code);
                if (code == Z_ERRNO) fail("write failed", errno != 0 ? errno : EIO);
                fail(std::string("write failed: ") + (msg != nullptr ? msg : "compression error"), 0);
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    } else {
        while (left > 0) {
            const ssize_t n = ::write(fd_, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                fail("write failed", errno);
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    buffer_.clear();
}

void TextOut::write(std::string_view text) {
    if (buffer_.size() + text.size() > kBufferSize) {
        flush();
        if (text.size() > kBufferSize) {
            buffer_.assign(text);
            flush();
            return;
        }
    }
    buffer_.append(text);
}

void TextOut::close() {
    flush();
    if (gz_ != nullptr) {
        gzFile gz = as_gz(gz_);
        gz_ = nullptr;
        errno = 0;
        const int rc = gzclose(gz);
        if (rc == Z_ERRNO) fail("write failed", errno != 0 ? errno : EIO);
        if (rc != Z_OK) fail("write failed: compression error", 0);
    } else if (fd_ >= 0) {
        const int fd = fd_;
        fd_ = -1;
        if (owns_fd_ && ::close(fd) != 0) fail("write failed", errno);
    }
}

void TextOut::discard() {
    if (gz_ != nullptr) {
        gzclose(as_gz(gz_));
        gz_ = nullptr;
    } else if (fd_ >= 0 && owns_fd_) {
        ::close(fd_);
    }
    fd_ = -1;
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
}

void create_in(TextOut& out, const NewDirectory& folder, const std::string& file, bool gzip) {
    out.create(folder.path(file), folder.name() + "/" + file, gzip);
}

void write_folder_file(const NewDirectory& folder, const std::string& file, const std::string& text) {
    TextOut out;
    create_in(out, folder, file);
    out.write(text);
    out.close();
}

}  // namespace coswitch
