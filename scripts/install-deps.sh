#!/bin/bash
# Installs what the build and the tests need, when it is missing (Debian).
# With the argument "fuzz": what `make fuzz` needs (clang and its fuzzer).
set -euo pipefail
need=()
# clang: `make test-clang` builds the program and its tests with it too.
command -v clang++ >/dev/null || need+=(clang)
if [ "${1:-}" = fuzz ]; then
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
# The R package (make r) and its tests: R, Rcpp, testthat, SummarizedExperiment.
command -v Rscript >/dev/null || need+=(r-base-core)
[ -e /usr/lib/R/site-library/Rcpp/include/Rcpp.h ] || need+=(r-cran-rcpp)
[ -d /usr/lib/R/site-library/testthat ] || need+=(r-cran-testthat)
[ -d /usr/lib/R/site-library/SummarizedExperiment ] || need+=(r-bioc-summarizedexperiment)
[ -e /usr/lib/x86_64-linux-gnu/cmake/benchmark ] || [ -e /usr/lib/cmake/benchmark ] || need+=(libbenchmark-dev)
# The Python package (`make python`, its tests): Debian's own Python, for
# which Debian's modules are installed, whatever python3 comes first on the path.
[ -x /usr/bin/python3 ] || need+=(python3)
has_module() { /usr/bin/python3 -c "import $1" 2>/dev/null; }
/usr/bin/python3 -c 'import os, sysconfig; assert os.path.exists(sysconfig.get_path("include") + "/Python.h")' 2>/dev/null ||
  need+=(python3-dev)
[ -e /usr/include/pybind11/pybind11.h ] && [ -e /usr/lib/cmake/pybind11 ] || need+=(python3-pybind11)
has_module ensurepip || need+=(python3-venv)
has_module setuptools || need+=(python3-setuptools)
has_module wheel || need+=(python3-wheel)
has_module numpy || need+=(python3-numpy)
has_module pandas || need+=(python3-pandas)
has_module anndata || need+=(python3-anndata)
has_module pytest || need+=(python3-pytest)
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}"
  else
    echo "missing: ${need[*]} (install them, e.g. apt-get install ${need[*]})" >&2
    exit 1
  fi
fi
