#!/bin/sh
# Runs the program on the bundled example in a fresh scratch directory (the
# program never overwrites earlier results): first `scan` on the named
# table, then the classic dialogue on the same measurements.
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
    echo "demo: $1 is not an executable (run 'make program' first)" >&2
    exit 2
fi

examples=$(cd "$(dirname "$0")/../examples" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/coswitch-demo.XXXXXX")
cp "$examples/expression.tsv" "$examples/design.tsv" "$examples/realdata.txt" \
   "$examples/para1.txt" "$examples/para2.txt" "$examples/answers.txt" "$examples/genes.txt" \
   "$scratch/"

echo "== 1. coswitch scan on the named table, in $scratch"
echo "   coswitch scan expression.tsv --design design.tsv -o results"
echo
(cd "$scratch" && "$program" scan expression.tsv --design design.tsv -o results --quiet)

echo
echo "== 2. The classic dialogue on the same measurements"
echo "   coswitch < answers.txt   (answers: $(paste -s -d ' ' "$examples/answers.txt"))"
echo
(cd "$scratch" && "$program" < answers.txt)

echo
echo
echo "The two runs differ by design. scan keeps geneG, which misses one value"
echo "(--missing model), fits each gene's two states from its own values, simulates"
echo "every bootstrap replicate from the fit to the observed data (--null fixed) and"
echo "reports (count + 1) / (M + 1). The classic run takes the six complete genes with"
echo "the densities of para1.txt and para2.txt, its chained null and count / M."
echo "scan --missing drop --mode G --para1 para1.txt --para2 para2.txt gives the"
echo "classic run's statistics; with complete genes, scan --write-classic DIR writes"
echo "the classic inputs that reproduce the scan exactly."
echo
echo "Results:"
echo "  $scratch/results/pairs.tsv   (every gene pair, ranked, with adjusted p-values)"
echo "  $scratch/results/genes.tsv   (every gene: kept or dropped, its two states)"
echo "  $scratch/results/heatmap.svg (genes clustered by the dependence statistic)"
echo "  $scratch/pvalue.txt and $scratch/output.txt (the classic run's two files;"
echo "  gene numbers are line numbers of $scratch/genes.txt)"
