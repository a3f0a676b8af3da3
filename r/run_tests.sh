#!/bin/sh
# The package's tests against the package installed in LIBRARY:
#   sh r/run_tests.sh LIBRARY
# Exits 77 (a skip for CTest) when R, testthat or the installed package is missing.
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v Rscript >/dev/null 2>&1; then
  echo "skipped: R is not installed (make deps installs r-base-core)"
  exit 77
fi
if [ ! -f "$1/coswitch/DESCRIPTION" ]; then
  echo "skipped: the R package is not installed in $1 (make r builds it)"
  exit 77
fi
exec Rscript "$here/run_tests.R" "$1" "$here/coswitch/tests/testthat"
