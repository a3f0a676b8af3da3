#pragma once
// The instruction set of the vector paths (the fit, the stream skip), chosen
// once from the processor. Both paths give the same bits; tests force either
// to check that. avx2 is refused (false) on a processor without it.
namespace coswitch {
enum class SimdPath { automatic, avx2, sse2 };
bool set_simd_path(SimdPath path);
SimdPath simd_path();  // the path in use: avx2 or sse2
}  // namespace coswitch
