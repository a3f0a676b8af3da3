#!/usr/bin/env bash
# A genome's worth of pairs on this machine: by default every gene of the
# yeast table with all 18 values of the alpha-factor series (4489 genes,
# about 10 million pairs), 5 bootstrap replicates, 2 threads. Prints the
# seconds, pairs per second, peak memory, the bytes a pair costs (peak
# minus a zero-pair baseline, the same scan with --dry-run, over the
# pairs), the bytes written, what the plan estimated, and a projection for
# 20,000 genes here and on 64 cores under MPI.
set -euo pipefail

usage() {
    cat <<'EOF'
usage: genome.sh [-b BINARY] [-B BOOT] [-t THREADS] [-g GENES] [TABLE [SCAN OPTIONS...]]

  TABLE        any table scan reads, with its own options after it (default:
               the yeast table of ../shared, --columns alpha0..alpha119
               --missing drop: the genes with every alpha value)
  -b BINARY    program to run (default: build/coswitch of this repository)
  -B BOOT      bootstrap replicates per pair (default 5)
  -t THREADS   --threads (default 2)
  -g GENES     only the first GENES genes of the table with every value
               (of the alpha series for the yeast table), for a shorter run
EOF
}

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
binary="$here/../build/coswitch"
boot=5
threads=2
genes=""
while getopts ":b:B:t:g:h" opt; do
    case $opt in
        b) binary=$OPTARG ;;
        B) boot=$OPTARG ;;
        t) threads=$OPTARG ;;
        g) genes=$OPTARG ;;
        h) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

if [ $# -gt 0 ]; then
    table=$1
    shift
    options=("$@")
    used='.'
    [ -f "$table" ] || { echo "genome.sh: $table not found" >&2; exit 2; }
else
    shared="$here/../../shared"
    if [ ! -d "$shared" ]; then
        echo "genome.sh: $shared is absent, so there is no yeast table to run; give a TABLE"
        exit 0
    fi
    table="$shared/data/spellman1998/spellman1998_combined.tsv"
    options=(--columns alpha0..alpha119 --missing drop)
    used='^alpha[0-9]+$'
fi
[ -x "$binary" ] || { echo "genome.sh: $binary is not built" >&2; exit 2; }
command -v /usr/bin/time >/dev/null || { echo "genome.sh: needs /usr/bin/time (package time)" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/coswitch-genome.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

if [ -n "$genes" ]; then
    # The first GENES genes with a value in every column used: the alpha
    # columns of the yeast table, every column of another.
    awk -F'\t' -v n="$genes" -v used="$used" '
        NR == 1 { for (c = 2; c <= NF; c++) if ($c ~ used) cols[++m] = c; next }
        { for (i = 1; i <= m; i++) if ($cols[i] == "" || $cols[i] == "NA") next; print $1; if (++kept == n) exit }
    ' "$table" > "$scratch/genes.txt"
    options+=(--genes "$scratch/genes.txt")
fi

run=("$binary" scan "$table" "${options[@]}" --bootstrap "$boot" --threads "$threads")

# The baseline: the table read and the genes fitted, no pair.
/usr/bin/time -f "%e %M" -o "$scratch/time0" "${run[@]}" --dry-run > "$scratch/plan"
read -r _ base_kb < "$scratch/time0"
pairs=$(awk '/^ plan: [0-9]+ pairs?,/ { print $2; exit }' "$scratch/plan")
[ -n "$pairs" ] && [ "$pairs" -gt 0 ] || { echo "genome.sh: the scan has no pair to run" >&2; exit 2; }

/usr/bin/time -f "%e %M" -o "$scratch/time1" "${run[@]}" -o "$scratch/out" --quiet > "$scratch/summary"
read -r secs peak_kb < "$scratch/time1"
out_bytes=$(du -sb "$scratch/out" | awk '{ print $1 }')

awk -v pairs="$pairs" -v secs="$secs" -v peak="$peak_kb" -v base="$base_kb" -v out="$out_bytes" \
    -v boot="$boot" -v threads="$threads" '
    BEGIN {
        rate = pairs / secs
        per_pair = (peak - base) * 1024 / pairs
        big = 20000 * 19999 / 2
        per_core = rate / threads
        printf "pairs: %d, bootstrap replicates: %d, threads: %d\n", pairs, boot, threads
        printf "seconds: %.1f\n", secs
        printf "pairs per second: %.0f (%.0f a core)\n", rate, per_core
        printf "peak memory: %.1f MB (baseline without pairs %.1f MB)\n", peak / 1024, base / 1024
        printf "bytes per pair: %.1f%s\n", per_pair, pairs < 2000000 ? " (below a few million pairs the fixed buffers of a few MB weigh in: the memory projected below is too high)" : ""
        printf "output: %.1f MB\n", out / 1048576
        printf "20000 genes (%d pairs), estimated from these rates:\n", big
        printf "  here, %d threads: %.1f h, peak memory %.1f GB\n", threads, big / rate / 3600, (base * 1024 + big * per_pair) / 1073741824
        printf "  64 cores under MPI (4 ranks x 16 threads): %.1f min, peak memory %.1f GB a rank\n", big / (per_core * 64) / 60, (base * 1024 + big * per_pair) / 1073741824
    }'
grep -E '^ plan: (time|peak|pairs\.tsv)' "$scratch/plan" | sed 's/^ plan:/plan (estimated):/'
grep -E '^ pairs\.tsv:' "$scratch/summary" | sed 's/^ //'
