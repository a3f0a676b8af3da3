#!/usr/bin/env bash
# What a pooled p-value depends on besides the pair itself: the number of
# bootstrap replicates B, and the other pairs of the run. One simulated data
# set (12 time points x 3 replicates, GENES genes with coupled pairs) is
# scanned with several B under both nulls, and a subset of its genes is
# scanned alone; pooling.py compares the p-values and the BH lists.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
binary=${COSWITCH:-$here/../build/coswitch}
genes=${1:-200}
[ -x "$binary" ] || { echo "pooling.sh: $binary is not built" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/coswitch-pooling.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
"$binary" simulate -o sim.tsv --genes "$genes" --time-points 12 --replicates 3 \
    --coupled $((genes / 10)) --coupling 0.8 --phase mixed --seed 11 --quiet
scan() { "$binary" scan sim.tsv --replicates 3 --quiet --threads 2 "$@" >/dev/null; }
for b in 5 20 100 400; do scan --bootstrap "$b" -o "fixed-$b"; done
for b in 20 100; do scan --bootstrap "$b" --null chained -o "chained-$b"; done
# The first 10 and the first 40 genes alone, against all of them.
for n in 10 40; do
    awk -v n="$n" 'NR > 1 && NR <= n + 1 { print $1 }' sim.tsv > "genes-$n.txt"
    scan --bootstrap 100 --genes "genes-$n.txt" -o "subset-$n"
done
python3 "$here/pooling.py" "$work" "$genes"
