#include "io/files.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/errors.hpp"

namespace coswitch {

std::string path_in(const std::string& dir, const std::string& name) {
    if (dir.empty() || (!name.empty() && name[0] == '/')) return name;
    return dir + "/" + name;
}

std::string read_whole_file(const std::string& path, const std::string& name) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        const int e = errno;
        if (e == ENOENT)
            throw RunError(kExitInput, name + ": file not found");
        throw RunError(kExitInput, name + ": cannot open: " + std::strerror(e));
    }
    std::string data;
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw RunError(kExitInput, name + ": read error");
    return data;
}

}  // namespace coswitch
