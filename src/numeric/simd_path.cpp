#include "numeric/simd_path.hpp"

#include <atomic>

namespace coswitch {
namespace {
bool cpu_has_avx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
std::atomic<SimdPath> g_path{cpu_has_avx2() ? SimdPath::avx2 : SimdPath::sse2};
}  // namespace

bool set_simd_path(SimdPath path) {
    if (path == SimdPath::automatic) path = cpu_has_avx2() ? SimdPath::avx2 : SimdPath::sse2;
    if (path == SimdPath::avx2 && !cpu_has_avx2()) return false;
    g_path.store(path, std::memory_order_relaxed);
    return true;
}

SimdPath simd_path() { return g_path.load(std::memory_order_relaxed); }

}  // namespace coswitch
