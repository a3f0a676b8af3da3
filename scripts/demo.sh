#!/bin/sh
# Runs the program on the bundled example in a fresh scratch directory
# (the program never overwrites earlier results).
# Usage: sh scripts/demo.sh path/to/coswitch
set -eu

if [ $# -ne 1 ]; then
    echo "usage: sh scripts/demo.sh path/to/coswitch" >&2
    exit 2
fi
case $1 in
    /*) program=$1 ;;
    *) program=$(pwd)/$1 ;;
esac
if [ ! -x "$program" ]; then
    echo "demo: $1 is not an executable (run 'make build' first)" >&2
    exit 2
fi

examples=$(cd "$(dirname "$0")/../examples" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/coswitch-demo.XXXXXX")
cp "$examples/realdata.txt" "$examples/para1.txt" "$examples/para2.txt" \
   "$examples/answers.txt" "$examples/genes.txt" "$scratch/"

echo "Running $program on the example in $scratch"
echo "(answers: $(paste -s -d ' ' "$examples/answers.txt"))"
echo
(cd "$scratch" && "$program" < answers.txt)

echo
echo "Results:"
echo "  $scratch/pvalue.txt  (one line per gene pair: observed statistics and p-values)"
echo "  $scratch/output.txt  (one line per gene pair and bootstrap replicate: null statistics)"
echo "Gene numbers are line numbers of $scratch/genes.txt."
echo
echo "First lines of pvalue.txt:"
head -n 8 "$scratch/pvalue.txt"
