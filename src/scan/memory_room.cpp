#include "scan/memory_room.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "io/number_text.hpp"

namespace coswitch {
namespace {

// A number of bytes from the first line of a file, or nothing ("max",
// no file, no number).
bool read_bytes(const std::string& path, std::uint64_t& out) {
    std::ifstream in(path);
    std::string word;
    if (!(in >> word) || word.empty() || word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::stoull(word);
    return true;
}

// The value in kB of a "Key:   123 kB" line, in bytes.
bool read_kb_line(const std::string& path, const std::string& key, std::uint64_t& out) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size() + 1, key + ":") != 0) continue;
        std::istringstream cells(line.substr(key.size() + 1));
        std::uint64_t kb = 0;
        if (!(cells >> kb)) return false;
        out = kb * 1024;
        return true;
    }
    return false;
}

void take(std::uint64_t room, const std::string& by, std::uint64_t& best, std::string& best_by) {
    if (room < best) {
        best = room;
        best_by = by;
    }
}

// The control groups of this process and every group above it: each may
// set a limit.
void cgroup_rooms(MemoryRoom& room) {
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t a = line.find(':'), b = line.find(':', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        const std::string controllers = line.substr(a + 1, b - a - 1);
        std::string path = line.substr(b + 1);
        const bool v2 = line.compare(0, 2, "0:") == 0 && controllers.empty();
        const bool v1 = controllers.find("memory") != std::string::npos;
        if (!v2 && !v1) continue;
        const std::string root = v2 ? "/sys/fs/cgroup" : "/sys/fs/cgroup/memory";
        const std::string max_file = v2 ? "memory.max" : "memory.limit_in_bytes";
        const std::string now_file = v2 ? "memory.current" : "memory.usage_in_bytes";
        for (;;) {
            const std::string dir = root + (path == "/" ? "" : path);
            std::uint64_t max = 0, now = 0;
            // v1 says "no limit" with a number near 2^63.
            if (read_bytes(dir + "/" + max_file, max) && max < (std::uint64_t{1} << 62)) {
                if (!read_bytes(dir + "/" + now_file, now)) now = 0;
                take(max > now ? max - now : 0, "the control group's " + max_file, room.resident,
                     room.resident_by);
            }
            if (path.empty() || path == "/") break;
            path.erase(path.rfind('/'));
            if (path.empty()) path = "/";
        }
    }
}

}  // namespace

ProcessMemory process_memory() {
    ProcessMemory m;
    read_kb_line("/proc/self/status", "VmRSS", m.resident);
    read_kb_line("/proc/self/status", "VmSize", m.address);
    return m;
}

MemoryRoom memory_room() {
    MemoryRoom room;
    std::uint64_t available = 0;
    if (read_kb_line("/proc/meminfo", "MemAvailable", available))
        take(available, "MemAvailable in /proc/meminfo", room.resident, room.resident_by);
    cgroup_rooms(room);
    struct rlimit as {};
    if (::getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY) {
        const std::uint64_t used = process_memory().address;
        take(as.rlim_cur > used ? as.rlim_cur - used : 0, "RLIMIT_AS (ulimit -v)", room.address,
             room.address_by);
    }
    return room;
}

std::string memory_text(double bytes) {
    const char* units[] = {"bytes", "kB", "MB", "GB", "TB"};
    int u = 0;
    while (bytes >= 1024 && u < 4) {
        bytes /= 1024;
        ++u;
    }
    std::string text;
    append_fixed(text, bytes, u == 0 || bytes >= 100 ? 0 : 1);
    return text + " " + units[u];
}

}  // namespace coswitch
