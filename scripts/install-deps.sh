#!/bin/bash
# Installs what the build and the tests need, when it is missing (Debian).
# With the argument "fuzz": what `make fuzz` needs (clang and its fuzzer).
set -euo pipefail
need=()
if [ "${1:-}" = fuzz ]; then
  command -v clang++ >/dev/null || need+=(clang)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
    need+=(libclang-rt-14-dev)
fi
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v make >/dev/null || need+=(make)
command -v python3 >/dev/null || need+=(python3)
command -v xmllint >/dev/null || need+=(libxml2-utils)
# Headless Chromium renders report.html in its test (skipped without it).
[ -x /usr/bin/chromium ] || need+=(chromium)
[ -e /usr/include/zlib.h ] || need+=(zlib1g-dev)
[ -e /usr/lib/x86_64-linux-gnu/cmake/GTest ] || [ -e /usr/lib/cmake/GTest ] || need+=(libgtest-dev)
[ -e /usr/include/openssl/evp.h ] || need+=(libssl-dev)
[ -e /usr/include/re2/re2.h ] || need+=(libre2-dev)
# Open MPI: scan on several processes, and its tests under mpirun.
{ command -v mpirun >/dev/null && [ -e /usr/lib/x86_64-linux-gnu/openmpi/include/mpi.h ]; } || need+=(libopenmpi-dev openmpi-bin)
# The manual page's tests: groff renders it, man reads it.
command -v groff >/dev/null || need+=(groff-base)
command -v man >/dev/null || need+=(man-db)
[ -e /usr/lib/x86_64-linux-gnu/cmake/benchmark ] || [ -e /usr/lib/cmake/benchmark ] || need+=(libbenchmark-dev)
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}"
  else
    echo "missing: ${need[*]} (install them, e.g. apt-get install ${need[*]})" >&2
    exit 1
  fi
fi
