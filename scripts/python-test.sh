#!/bin/sh
# The Python package's tests (CTest's "python"): installs it into
# BUILD/python-venv and runs pytest there; skipped (status 77) when Debian's
# packages for it are missing.
set -eu
build=${1:?usage: python-test.sh BUILD [COSWITCH]}
root=$(cd "$(dirname "$0")/.." && pwd)
for m in numpy:python3-numpy pandas:python3-pandas pytest:python3-pytest ensurepip:python3-venv \
         setuptools:python3-setuptools wheel:python3-wheel; do
  if ! /usr/bin/python3 -c "import ${m%%:*}" 2>/dev/null; then
    echo "skipped: the Python package's tests need ${m#*:} (scripts/install-deps.sh installs it)"
    exit 77
  fi
done
sh "$root/scripts/python-venv.sh" "$build"
export COSWITCH_BINARY="${2:-$build/coswitch}"
cd "$root"
exec "$build/python-venv/bin/python" -m pytest -p no:cacheprovider -rs python/tests
