#!/usr/bin/env bash
# Whole-program benchmark: generates synthetic inputs of the given size,
# runs the program several times, each in a fresh copy of the inputs (it
# never overwrites result files), and reports wall-clock median, min and max.
# With -B it races a second program (the timing baseline) run for run,
# alternating, and reports both medians and their ratio.
set -euo pipefail

usage() {
    cat <<'EOF'
usage: run_bench.sh [-n RUNS] [-b BINARY] [-B BASELINE] [-s SEED] [-k] NTIME NREP NGENE NBOOT [MODE] [-- PROGRAM ARGS...]
       run_bench.sh [-n RUNS] [-b BINARY] [-B BASELINE] [-k] -d RUNDIR [-- PROGRAM ARGS...]

  NTIME NREP NGENE NBOOT   size of the synthetic experiment
  MODE                     G (gene-indexed densities, default) or T (time-indexed)
  -n RUNS                  number of timed runs (default 5)
  -b BINARY                program to run (default: build/coswitch of this repository)
  -a "ARGS"                arguments for BASELINE (split at blanks), e.g. -a "--threads 2"
  -B BASELINE              also run BASELINE (answers on standard input),
                           alternating with BINARY, each in a fresh copy; its result
                           files must equal BINARY's; prints both medians (wall clock
                           and CPU time) and the ratio BASELINE / BINARY
  -s SEED                  seed of the input generator (default 1)
  -k                       keep the scratch directory and print its path
  -d RUNDIR                time a prepared run directory instead (realdata.txt,
                           para1.txt, para2.txt and answers.txt), e.g.
                           ../shared/data/spellman1998/runs/random60
  -- PROGRAM ARGS...       passed to every run, e.g. -- --threads 2; when they hold
                           the answer options (--mode, --time-points, ...) nothing
                           is fed on standard input
EOF
}

die() {
    echo "run_bench.sh: $*" >&2
    exit 2
}

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
runs=5
binary="$here/../build/coswitch"
seed=1
keep=0
rundir=""
baseline=""
bargs=()
while getopts ":n:b:B:a:s:d:kh" opt; do
    case $opt in
        n) runs=$OPTARG ;;
        b) binary=$OPTARG ;;
        B) baseline=$OPTARG ;;
        a) read -r -a bargs <<<"$OPTARG" ;;
        s) seed=$OPTARG ;;
        k) keep=1 ;;
        d) rundir=$OPTARG ;;
        h) usage; exit 0 ;;
        :) die "option -$OPTARG needs a value" ;;
        *) usage >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

sizes=()
# getopts has already taken a "--" that follows the options directly.
if [ -n "$rundir" ]; then
    [ "${1-}" != "--" ] || shift
    set -- -- "$@"
fi
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    sizes+=("$1")
    shift
done
[ $# -gt 0 ] && shift  # the "--"
extra=("$@")

if [ -n "$rundir" ]; then
    [ ${#sizes[@]} -eq 0 ] || { usage >&2; exit 2; }
    for f in realdata.txt para1.txt para2.txt answers.txt; do
        [ -f "$rundir/$f" ] || die "$rundir/$f: no such file"
    done
    mapfile -t sizes < <(awk 'NR == 1 { m = $1 } NR > 1 && NR <= 5 { v[NR] = $1 }
        END { print v[2]; print v[3]; print v[5]; print v[4]; print m }' "$rundir/answers.txt")
fi
[ ${#sizes[@]} -eq 4 ] || [ ${#sizes[@]} -eq 5 ] || { usage >&2; exit 2; }
ntime=${sizes[0]} nrep=${sizes[1]} ngene=${sizes[2]} nboot=${sizes[3]}
mode=${sizes[4]:-G}
for v in "$ntime" "$nrep" "$ngene" "$nboot" "$runs" "$seed"; do
    [[ $v =~ ^[0-9]+$ ]] || die "\"$v\" is not a whole number"
done
[ "$runs" -ge 1 ] || die "-n needs at least 1 run"
[ "$mode" = G ] || [ "$mode" = T ] || die "MODE must be G or T, not \"$mode\""
[ -x "$binary" ] || die "no executable program at $binary (build it first, or use -b)"
binary=$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")
if [ -n "$baseline" ]; then
    [ -x "$baseline" ] || die "no executable baseline at $baseline"
    baseline=$(cd "$(dirname "$baseline")" && pwd)/$(basename "$baseline")
fi
command -v python3 >/dev/null || die "python3 is needed to generate the inputs"

feed_stdin=1
for a in "${extra[@]+"${extra[@]}"}"; do
    case $a in
        --mode|--mode=*|--time-points*|--replicates*|--bootstrap*|--genes*) feed_stdin=0 ;;
    esac
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/coswitch-bench.XXXXXX")
if [ "$keep" -eq 0 ]; then
    trap 'rm -rf "$scratch"' EXIT
fi

# Inputs: every gene follows its own two-state Markov chain over the time
# points (some genes copy a partner's chain, so that dependent pairs exist),
# and each value is drawn from the density of its state.
if [ -n "$rundir" ]; then
    mkdir "$scratch/inputs"
    cp "$rundir/realdata.txt" "$rundir/para1.txt" "$rundir/para2.txt" "$scratch/inputs/"
else
python3 - "$scratch/inputs" "$ntime" "$nrep" "$ngene" "$mode" "$seed" <<'PY'
import os, random, sys

out, ntime, nrep, ngene, mode, seed = sys.argv[1], *map(int, sys.argv[2:5]), sys.argv[5], int(sys.argv[6])
rng = random.Random(seed)
cols = max(ngene, ntime) if mode == "T" else max(ngene, 1)
mean0 = [2.0 + 0.05 * (c % 10) for c in range(cols)]
mean1 = [5.0 + 0.05 * (c % 7) for c in range(cols)]
sd0 = [0.6 + 0.01 * (c % 5) for c in range(cols)]
sd1 = [0.7 + 0.01 * (c % 3) for c in range(cols)]

chains = []
for g in range(ngene):
    if g % 3 == 2 and chains:
        chains.append(list(chains[-1]))  # a partner that switches with its neighbour
        continue
    stay = 0.6 + 0.3 * rng.random()
    s = rng.randrange(2)
    chain = []
    for _ in range(ntime):
        chain.append(s)
        if rng.random() > stay:
            s = 1 - s
    chains.append(chain)

os.makedirs(out)
with open(os.path.join(out, "realdata.txt"), "w") as f:
    for t in range(ntime):
        for _ in range(nrep):
            row = []
            for g in range(ngene):
                c = t if mode == "T" else g
                if chains[g][t]:
                    v = rng.gauss(mean1[c], sd1[c])
                else:
                    v = rng.gauss(mean0[c], sd0[c])
                row.append("%.6f" % v)
            f.write(" ".join(row) + "\n")
for name, m, s in (("para1.txt", mean0, sd0), ("para2.txt", mean1, sd1)):
    with open(os.path.join(out, name), "w") as f:
        f.write(" ".join("%.4f" % v for v in m) + "\n")
        f.write(" ".join("%.4f" % v for v in s) + "\n")
PY
fi

answers=$(printf '%s\n%s\n%s\n%s\n%s\n' "$mode" "$ntime" "$nrep" "$nboot" "$ngene")
pairs=$((ngene * (ngene - 1) / 2))
echo "binary:  $binary"
echo "sizes:   NTIME=$ntime NREP=$nrep NGENE=$ngene NBOOT=$nboot MODE=$mode" \
     "($pairs pairs, $((pairs * nboot)) bootstrap replicates)"
echo "args:    ${extra[*]:-(none)}"
echo "runs:    $runs"

echo "load:    $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) on $(nproc) cores"
[ -z "$baseline" ] || echo "against: $baseline ${bargs[*]-}"

# One timed run of program $1 ("binary" or "baseline") in directory $2;
# prints "wall cpu" in seconds.
timed_run() {
    local which=$1 dir=$2 status=0 tf="$2/time.txt"
    local TIMEFORMAT='%R %U %S'
    if [ "$which" = baseline ]; then
        { time (cd "$dir" && "$baseline" "${bargs[@]+"${bargs[@]}"}" <<<"$answers" >stdout.txt 2>stderr.txt); } 2>"$tf" || status=$?
    elif [ "$feed_stdin" -eq 1 ]; then
        { time (cd "$dir" && "$binary" "${extra[@]+"${extra[@]}"}" <<<"$answers" >stdout.txt 2>stderr.txt); } 2>"$tf" || status=$?
    else
        { time (cd "$dir" && "$binary" "${extra[@]+"${extra[@]}"}" </dev/null >stdout.txt 2>stderr.txt); } 2>"$tf" || status=$?
    fi
    if [ "$status" -ne 0 ]; then
        echo "$which run in $dir: exit status $status" >&2
        cat "$dir/stderr.txt" >&2
        exit 1
    fi
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$tf"
}

median() {
    sort -g | awk '{ v[NR] = $1 }
        END { printf "%.3f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

times=()
cpus=()
btimes=()
bcpus=()
differ=0
for ((k = 1; k <= runs; k++)); do
    dir="$scratch/run$k"
    cp -r "$scratch/inputs" "$dir"
    bline=""
    if [ -n "$baseline" ]; then
        bdir="$scratch/base$k"
        cp -r "$scratch/inputs" "$bdir"
        # Alternate which goes first, so that a change in load hits both alike.
        if [ $((k % 2)) -eq 1 ]; then
            read -r bt bc < <(timed_run baseline "$bdir")
            read -r t c < <(timed_run binary "$dir")
        else
            read -r t c < <(timed_run binary "$dir")
            read -r bt bc < <(timed_run baseline "$bdir")
        fi
        btimes+=("$bt")
        bcpus+=("$bc")
        if cmp -s "$dir/output.txt" "$bdir/output.txt" && cmp -s "$dir/pvalue.txt" "$bdir/pvalue.txt"; then
            bline="   baseline: $bt s (cpu $bc s), results identical"
        else
            bline="   baseline: $bt s (cpu $bc s), RESULTS DIFFER FROM THE BASELINE"
            differ=1
        fi
        [ "$keep" -eq 1 ] || rm -rf "$bdir"
    else
        read -r t c < <(timed_run binary "$dir")
    fi
    times+=("$t")
    cpus+=("$c")
    same=""
    if [ "$k" -gt 1 ]; then
        if cmp -s "$dir/output.txt" "$scratch/run1/output.txt" &&
           cmp -s "$dir/pvalue.txt" "$scratch/run1/pvalue.txt"; then
            same=" (results identical to run 1)"
        else
            same=" (RESULTS DIFFER FROM RUN 1)"
            differ=1
        fi
    fi
    echo "run $k:   $t s (cpu $c s)$same$bline"
    [ "$keep" -eq 1 ] || [ "$k" -eq 1 ] || rm -rf "$dir"
done

printf '%s\n' "${times[@]}" | sort -g | awk '
    { v[NR] = $1 }
    END {
        med = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "median:  %.3f s   min %.3f s   max %.3f s\n", med, v[1], v[NR]
    }'
if [ -n "$baseline" ]; then
    wall=$(printf '%s\n' "${times[@]}" | median)
    cpu=$(printf '%s\n' "${cpus[@]}" | median)
    bwall=$(printf '%s\n' "${btimes[@]}" | median)
    bcpu=$(printf '%s\n' "${bcpus[@]}" | median)
    echo "baseline median: $bwall s (cpu $bcpu s); program median: $wall s (cpu $cpu s)"
    awk -v a="$bwall" -v b="$wall" -v c="$bcpu" -v d="$cpu" 'BEGIN {
        printf "ratio:   %.2fx wall clock, %.2fx cpu time (baseline / program)\n", a / b, c / d }'
fi
echo "load:    $(cut -d' ' -f1-3 /proc/loadavg) at the end"
[ "$keep" -eq 0 ] || echo "scratch: $scratch"
[ "$differ" -eq 0 ] || { echo "run_bench.sh: result files differ" >&2; exit 1; }
