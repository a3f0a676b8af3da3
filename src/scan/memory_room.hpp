#pragma once
// How much more memory this process may take: the smallest of what its
// control group allows (v2 memory.max, v1 limit_in_bytes), what RLIMIT_AS
// leaves of its address space, and the machine's MemAvailable.
#include <cstdint>
#include <string>

namespace coswitch {

// This process's memory now, from /proc/self/status (0 where unknown).
struct ProcessMemory {
    std::uint64_t resident = 0;  // VmRSS
    std::uint64_t address = 0;   // VmSize: what RLIMIT_AS counts
};
ProcessMemory process_memory();

// Room for more resident memory and for more address space, each with
// what sets it ("MemAvailable in /proc/meminfo", ...); UINT64_MAX and ""
// when nothing does.
struct MemoryRoom {
    std::uint64_t resident = UINT64_MAX;
    std::string resident_by;
    std::uint64_t address = UINT64_MAX;
    std::string address_by;
};
MemoryRoom memory_room();

// "1.2 GB", "310 MB", "12 kB": a size for people, in powers of 1024.
std::string memory_text(double bytes);

}  // namespace coswitch
