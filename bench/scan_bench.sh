#!/usr/bin/env bash
# scan at scale on the published yeast table: the first N genes of the alpha
# series that have every value (18 time points, 1 replicate), 20 bootstrap
# replicates. Each size runs several times into a fresh folder; reports the
# median seconds, pairs per second and peak memory. With -r it races 1 rank
# against K ranks under mpirun (one thread each) and reports the ratio.
set -euo pipefail

usage() {
    cat <<'EOF'
usage: scan_bench.sh [-n RUNS] [-b BINARY] [-B BOOT] [-t THREADS] [GENES...]
       scan_bench.sh -r RANKS [-n RUNS] [-b BINARY] [-B BOOT] GENES

  GENES        gene counts to run (default: 200 400 800)
  -n RUNS      timed runs per size (default 3)
  -b BINARY    program to run (default: build/coswitch of this repository)
  -B BOOT      bootstrap replicates per pair (default 20)
  -t THREADS   --threads for every run (default: the program's own default)
  -r RANKS     time mpirun -np 1 against -np RANKS, one thread per rank,
               alternating, and report the ratio of the medians
EOF
}

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
table="$here/../../shared/data/spellman1998/spellman1998_combined.tsv"
runs=3
binary="$here/../build/coswitch"
boot=20
threads=""
ranks=""
while getopts ":n:b:B:t:r:h" opt; do
    case $opt in
        n) runs=$OPTARG ;;
        b) binary=$OPTARG ;;
        B) boot=$OPTARG ;;
        t) threads=$OPTARG ;;
        r) ranks=$OPTARG ;;
        h) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(200 400 800)
[ -f "$table" ] || { echo "scan_bench.sh: $table not found (the shared data folder)" >&2; exit 2; }
[ -x "$binary" ] || { echo "scan_bench.sh: $binary is not built" >&2; exit 2; }
command -v /usr/bin/time >/dev/null || { echo "scan_bench.sh: needs /usr/bin/time (package time)" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/coswitch-scan-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The first n genes of the table with all 18 alpha values.
genes_file() {
    awk -F'\t' -v n="$1" '
        NR == 1 { for (c = 1; c <= NF; c++) if ($c ~ /^alpha[0-9]+$/) cols[++k] = c; next }
        { for (i = 1; i <= k; i++) if ($cols[i] == "") next; print $1; if (++kept == n) exit }
    ' "$table" > "$scratch/genes-$1.txt"
    echo "$scratch/genes-$1.txt"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One timed run: prints "seconds peak_kB".
one_run() {
    local out="$scratch/out.$RANDOM$RANDOM"
    /usr/bin/time -f "%e %M" -o "$scratch/time" "$@" -o "$out" --quiet > /dev/null
    rm -rf "$out"
    cat "$scratch/time"
}

common() {
    echo "$binary" scan "$table" --columns alpha0..alpha119 --genes "$1" --bootstrap "$boot"
}

if [ -n "$ranks" ]; then
    n=${sizes[0]}
    list=$(genes_file "$n")
    export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
    : > "$scratch/one"; : > "$scratch/many"
    for ((k = 1; k <= runs; k++)); do
        one_run mpirun --oversubscribe -np 1 $(common "$list") --threads 1 | awk '{print $1}' >> "$scratch/one"
        one_run mpirun --oversubscribe -np "$ranks" $(common "$list") --threads 1 | awk '{print $1}' >> "$scratch/many"
    done
    a=$(median < "$scratch/one"); b=$(median < "$scratch/many")
    printf '%d genes, %d bootstrap replicates, median of %d: 1 rank %.2f s, %d ranks %.2f s, ratio %.2fx\n' \
        "$n" "$boot" "$runs" "$a" "$ranks" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { print a / b }')"
    exit 0
fi

printf '| genes | pairs | seconds | pairs/s | peak memory |\n|---|---|---|---|---|\n'
for n in "${sizes[@]}"; do
    list=$(genes_file "$n")
    : > "$scratch/secs"; : > "$scratch/mem"
    for ((k = 1; k <= runs; k++)); do
        read -r secs kb < <(one_run $(common "$list") ${threads:+--threads "$threads"})
        echo "$secs" >> "$scratch/secs"
        echo "$kb" >> "$scratch/mem"
    done
    s=$(median < "$scratch/secs"); m=$(median < "$scratch/mem")
    pairs=$((n * (n - 1) / 2))
    printf '| %d | %d | %.1f | %.0f | %.0f MB |\n' "$n" "$pairs" "$s" "$(awk -v p="$pairs" -v s="$s" 'BEGIN { print p / s }')" "$(awk -v m="$m" 'BEGIN { print m / 1024 }')"
done
