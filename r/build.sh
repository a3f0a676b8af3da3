#!/bin/sh
# Builds the R package and installs it into BUILD/r-lib:
#   sh r/build.sh [BUILD]            (BUILD defaults to build)
# The package holds a copy of the library's sources (src/ without the
# command line's src/cli/*.cpp, and include/) and the bundled example, staged
# with r/coswitch in BUILD/r-package/coswitch; `R CMD build` makes
# BUILD/r-package/coswitch_VERSION.tar.gz from it, a package that builds on its own.
# Nothing is rebuilt when no input changed since the last install.
# Exits 77 (a skip for CTest) when R or Rcpp is missing.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
mkdir -p "$build"
build=$(cd "$build" && pwd)
stage=$build/r-package
lib=$build/r-lib

if ! command -v R >/dev/null 2>&1 || ! command -v Rscript >/dev/null 2>&1; then
  echo "skipped: R is not installed (make deps installs r-base-core, r-base-dev, r-cran-rcpp)" >&2
  exit 77
fi
if ! Rscript -e 'if (!requireNamespace("Rcpp", quietly = TRUE)) quit(status = 1)' >/dev/null 2>&1; then
  echo "skipped: the R package Rcpp is not installed (make deps installs r-cran-rcpp)" >&2
  exit 77
fi

# The package's version is the library's.
version=$(sed -n 's/^project(coswitch VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
described=$(sed -n 's/^Version: *//p' "$repo/r/coswitch/DESCRIPTION")
if [ "$version" != "$described" ]; then
  echo "r/coswitch/DESCRIPTION has version $described, CMakeLists.txt $version: make them one" >&2
  exit 1
fi

inputs() {
  cd "$repo"
  find r/coswitch src include examples/expression.tsv examples/design.tsv -type f \
    ! -path 'src/cli/*.cpp' | LC_ALL=C sort | xargs sha256sum
}
stamp=$(inputs | sha256sum | cut -d' ' -f1)
if [ -f "$lib/coswitch/DESCRIPTION" ] && [ "$(cat "$lib/.coswitch-inputs" 2>/dev/null)" = "$stamp" ]; then
  echo "the R package in $lib is up to date"
  exit 0
fi

rm -rf "$stage"
mkdir -p "$stage" "$lib"
cp -R "$repo/r/coswitch" "$stage/coswitch"
pkg=$stage/coswitch
mkdir -p "$pkg/src/lib" "$pkg/inst/extdata"
(cd "$repo/src" && find . -type f ! -path './cli/*.cpp' | while read -r f; do
  mkdir -p "$pkg/src/lib/$(dirname "$f")"
  cp "$f" "$pkg/src/lib/$f"
done)
cp -R "$repo/include" "$pkg/src/include"
cp "$repo/examples/expression.tsv" "$repo/examples/design.tsv" "$pkg/inst/extdata/"

cd "$stage"
R CMD build --no-build-vignettes --no-manual coswitch
tarball=$stage/coswitch_$version.tar.gz
MAKEFLAGS=-j${JOBS:-2} R CMD INSTALL --no-multiarch -l "$lib" "$tarball"
echo "$stamp" > "$lib/.coswitch-inputs"
echo "installed the R package coswitch $version into $lib (source package: $tarball)"
