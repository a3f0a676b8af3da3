#include "table/gunzip.hpp"

#include <zlib.h>

#include <algorithm>
#include <new>

#include "io/errors.hpp"

namespace coswitch {
namespace {

struct Inflater {
    z_stream s{};
    bool open = false;
    ~Inflater() {
        if (open) inflateEnd(&s);
    }
};

[[noreturn]] void fail(const std::string& name, const std::string& what) {
    throw RunError(kExitInput, name + ": " + what);
}

}  // namespace

std::string gunzip(const std::string& data, const std::string& name,
                   const std::function<void(std::string_view)>& each_piece) {
    if (data.empty()) fail(name, "empty file, not gzip data");
    Inflater z;
    // 16 + 15: gzip wrapper only, largest window.
    if (inflateInit2(&z.s, 16 + 15) != Z_OK) fail(name, "cannot start gzip decompression");
    z.open = true;
    std::string out;
    try {
        const unsigned char* in = reinterpret_cast<const unsigned char*>(data.data());
        std::size_t left = data.size();
        char buf[1 << 16];
        for (;;) {
            if (z.s.avail_in == 0 && left > 0) {
                // avail_in is 32-bit: feed very large files in pieces.
                const std::size_t piece = std::min<std::size_t>(left, 1u << 30);
                z.s.next_in = const_cast<unsigned char*>(in);
                z.s.avail_in = static_cast<uInt>(piece);
                in += piece;
                left -= piece;
            }
            z.s.next_out = reinterpret_cast<unsigned char*>(buf);
            z.s.avail_out = sizeof buf;
            const int rc = inflate(&z.s, Z_NO_FLUSH);
            if (each_piece) each_piece(std::string_view(buf, sizeof buf - z.s.avail_out));
            out.append(buf, sizeof buf - z.s.avail_out);
            if (rc == Z_STREAM_END) {
                if (z.s.avail_in == 0 && left == 0) break;
                // Another gzip member follows (as `cat a.gz b.gz` makes).
                if (inflateReset(&z.s) != Z_OK) fail(name, "cannot restart gzip decompression");
                continue;
            }
            if (rc == Z_BUF_ERROR && z.s.avail_in == 0 && left == 0)
                fail(name, "gzip data ends early (truncated file?)");
            if (rc == Z_MEM_ERROR) throw std::bad_alloc();
            if (rc != Z_OK && rc != Z_BUF_ERROR)
                fail(name, std::string("corrupt gzip data: ") +
                               (z.s.msg != nullptr ? z.s.msg : "unknown error"));
        }
    } catch (const std::bad_alloc&) {
        fail(name, "out of memory while decompressing");
    } catch (const std::length_error&) {
        fail(name, "out of memory while decompressing");
    }
    return out;
}

}  // namespace coswitch
