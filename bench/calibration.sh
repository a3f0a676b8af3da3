#!/usr/bin/env bash
# How far scan's p-values hold, and its power: simulated data sets of
# independent genes (calibration) and of genes with coupled pairs (power) for
# several designs, each scanned with both nulls, with the generating
# densities given and with densities fitted per gene. calibration.py turns
# the pairs.tsv files into a table per design and null.
set -euo pipefail

usage() {
    cat <<'EOF'
usage: calibration.sh [-d DESIGNS] [-n SETS] [-g GENES] [-k PAIRS] [-C COUPLING]
                      [-s SWITCH] [-B BOOT] [-j JOBS] [-b BINARY] [-o DIR]

  -d DESIGNS   time points x replicates, comma-separated
               (default 6x2,9x3,12x3,18x1,24x2)
  -n SETS      data sets per design of each kind (default 30)
  -g GENES     genes per data set (default 30)
  -k PAIRS     coupled pairs per power data set (default 5), phases mixed
  -C COUPLING  coupling of those pairs (default 0.8)
  -s SWITCH    switching probability, P or LO..HI (default 0.2)
  -B BOOT      bootstrap replicates per pair (default 100)
  -j JOBS      scans at once, one thread each (default 2)
  -b BINARY    program to run (default: build/coswitch of this repository)
  -o DIR       keep every table and scan in DIR (new); by default they
               are removed at the end
EOF
}

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
designs=6x2,9x3,12x3,18x1,24x2
sets=30
genes=30
pairs=5
coupling=0.8
switch=0.2
boot=100
jobs=2
binary="$here/../build/coswitch"
keep=""
while getopts ":d:n:g:k:C:s:B:j:b:o:h" opt; do
    case $opt in
        d) designs=$OPTARG ;;
        n) sets=$OPTARG ;;
        g) genes=$OPTARG ;;
        k) pairs=$OPTARG ;;
        C) coupling=$OPTARG ;;
        s) switch=$OPTARG ;;
        B) boot=$OPTARG ;;
        j) jobs=$OPTARG ;;
        b) binary=$OPTARG ;;
        o) keep=$OPTARG ;;
        h) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -eq 0 ] || { usage >&2; exit 2; }
[ -x "$binary" ] || { echo "calibration.sh: $binary is not built" >&2; exit 2; }
command -v python3 >/dev/null || { echo "calibration.sh: needs python3" >&2; exit 2; }

if [ -n "$keep" ]; then
    [ ! -e "$keep" ] || { echo "calibration.sh: $keep exists already; -o takes a new folder" >&2; exit 1; }
    mkdir -p "$keep"
    work=$(cd "$keep" && pwd)
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/coswitch-calibration.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi

# Every data set first (they are quick), then every scan, JOBS at once.
: > "$work/scans.txt"
IFS=, read -r -a design_list <<< "$designs"
for design in "${design_list[@]}"; do
    [[ $design =~ ^([0-9]+)x([0-9]+)$ ]] || { echo "calibration.sh: design \"$design\" is not TxR" >&2; exit 2; }
    times=${BASH_REMATCH[1]}
    reps=${BASH_REMATCH[2]}
    for kind in independent coupled; do
        for ((k = 1; k <= sets; k++)); do
            dir="$work/$design/$kind-$k"
            mkdir -p "$dir"
            # Seeds apart by kind, so that no power data set repeats a calibration one.
            seed=$([ "$kind" = independent ] && echo "$k" || echo $((100000 + k)))
            coupled=$([ "$kind" = independent ] && echo 0 || echo "$pairs")
            "$binary" simulate -o "$dir/table.tsv" --genes "$genes" --time-points "$times" \
                --replicates "$reps" --switch "$switch" --coupled "$coupled" --coupling "$coupling" \
                --phase mixed --seed "$seed" --quiet
            for null in fixed chained; do
                common="scan '$dir/table.tsv' --replicates $reps --null $null --bootstrap $boot --threads 1 --quiet"
                echo "$common -o '$dir/$null-fitted'" >> "$work/scans.txt"
                echo "$common --para1 '$dir/table.para1.txt' --para2 '$dir/table.para2.txt' --mode G -o '$dir/$null-given'" >> "$work/scans.txt"
            done
        done
    done
done

started=$SECONDS
# A scan's summary is not wanted here; its warnings about fits at their pass limit neither.
xargs -P "$jobs" -I{} sh -c "\"$binary\" {} > /dev/null 2>> '$work/warnings.txt'" < "$work/scans.txt" ||
    { echo "calibration.sh: a scan failed:" >&2; grep -v "^coswitch: warning" "$work/warnings.txt" >&2; exit 1; }

echo "$(wc -l < "$work/scans.txt") scans in $((SECONDS - started)) s; $sets data sets of $genes genes per design" \
     "and kind, $boot bootstrap replicates per pair, switching $switch"
python3 "$here/calibration.py" "$work" --designs "$designs" --sets "$sets" --pairs "$pairs" --coupling "$coupling"
