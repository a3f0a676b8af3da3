#!/bin/sh
# Installs the Python package into BUILD/python-venv, a venv of Debian's
# Python that sees Debian's numpy, pandas, anndata and pytest, taking the
# module the CMake build in BUILD has built (or builds it there).
set -eu
build=$(cd "${1:?usage: python-venv.sh BUILD}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
venv=$build/python-venv
[ -x "$venv/bin/python" ] || /usr/bin/python3 -m venv --system-site-packages "$venv"
COSWITCH_BUILD_DIR=$build "$venv/bin/python" -m pip install --quiet --no-build-isolation \
  --no-index --no-deps --disable-pip-version-check "$root/python"
