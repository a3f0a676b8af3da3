#!/bin/sh
# The source package's configure refuses compiler flags that would change
# the numbers (fast-math; a * b + c fused where the processor can) and keeps
# contraction off otherwise:
#   sh r/configure_test.sh BUILD
# Exits 77 (a skip for CTest) without R or the source package.
set -u
build=$1
tarball=$(ls "$build"/r-package/coswitch_*.tar.gz 2>/dev/null | head -n 1)
if ! command -v R >/dev/null 2>&1 || [ -z "$tarball" ]; then
  echo "skipped: R or the source package (make r) is missing"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/coswitch-configure-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
tar -xzf "$tarball" -C "$work"
failed=0

# configure_with NAME FLAGS EXPECTED-STATUS [WORDS THE MESSAGE HOLDS]
configure_with() {
  printf 'CXX20FLAGS = %s\n' "$2" > "$work/$1.mk"
  out=$(cd "$work/coswitch" && R_MAKEVARS_USER="$work/$1.mk" ./configure 2>&1)
  status=$?
  if [ "$status" -ne "$3" ]; then
    echo "FAIL $1: configure with '$2' exited $status, not $3:"; echo "$out"; failed=1
  elif [ -n "${4:-}" ] && ! printf '%s' "$out" | grep -q "$4"; then
    echo "FAIL $1: configure's message does not say \"$4\":"; echo "$out"; failed=1
  else
    echo "ok $1"
  fi
}

configure_with plain "-g -O2" 0
if ! grep -q '^PKG_CXXFLAGS = -ffp-contract=off' "$work/coswitch/src/Makevars" ||
   ! grep -q 'lib/scan/api.o' "$work/coswitch/src/Makevars"; then
  echo "FAIL plain: src/Makevars lacks -ffp-contract=off or the library's objects:"
  cat "$work/coswitch/src/Makevars"; failed=1
fi
configure_with fast-math "-O2 -ffast-math" 1 "fast-math"
configure_with finite-math "-O2 -ffinite-math-only" 1 "fast-math"
if grep -qw fma /proc/cpuinfo 2>/dev/null; then
  configure_with fused "-O2 -march=native -ffp-contract=fast" 1 "fuse a \* b + c"
  # The package's -ffp-contract=off holds when the user's flags do not undo it.
  configure_with native "-O3 -march=native" 0
else
  echo "skipped fused: this processor has no fused multiply-add"
fi
exit $failed
