#!/usr/bin/env bash
# The speed acceptance race: build/coswitch --threads 1 against the timing
# baseline (../shared/baseline/direct by default) on three sizes, alternating
# runs in fresh copies (bench/run_bench.sh -B), median of RUNS pairs; then
# --threads 2 against --threads 1; then the fit's ns per unit (one replicate x
# one transition x one EM pass) from build/bench/chivecfun_bench at the same
# replicate and time-point counts.
#
# usage: race_baseline.sh [RUNS] [BASELINE]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
runs=${1:-5}
baseline=${2:-$here/../../shared/baseline/direct}
binary=$here/../build/coswitch
[ -x "$baseline" ] || { echo "race_baseline.sh: no baseline at $baseline" >&2; exit 2; }

summary=()
for size in "50 50 20 100" "12 3 60 100" "20 5 30 100"; do
    echo "== NTIME NREP NGENE NBOOT = $size: --threads 1 against the baseline"
    out=$(bash "$here/run_bench.sh" -n "$runs" -B "$baseline" $size -- --threads 1)
    echo "$out"
    summary+=("($size) $(grep '^ratio:' <<<"$out" | sed 's/^ratio: *//')")
done

yeast=$here/../../shared/data/spellman1998/runs/random60
if [ -d "$yeast" ]; then
    echo "== the published yeast series, 60 genes (18 1 60 100): --threads 1 against the baseline"
    out=$(bash "$here/run_bench.sh" -n "$runs" -B "$baseline" -d "$yeast" -- --threads 1)
    echo "$out"
    summary+=("(yeast 18 1 60 100) $(grep '^ratio:' <<<"$out" | sed 's/^ratio: *//')")
fi

echo "== NTIME NREP NGENE NBOOT = 20 5 60 100: --threads 2 (as baseline) against --threads 1"
out=$(bash "$here/run_bench.sh" -n "$runs" -B "$binary" -a "--threads 2" 20 5 60 100 -- --threads 1)
echo "$out"
summary+=("(20 5 60 100) two threads: $(grep '^baseline median' <<<"$out")")

fitbench=$here/../build/bench/chivecfun_bench
if [ -x "$fitbench" ]; then
    echo "== the fit alone, ns per unit (median of 5; impl 2 = the fit as run)"
    "$fitbench" --benchmark_filter='(nrep:50/ntime:50|nrep:3/ntime:12|nrep:5/ntime:20|nrep:1/ntime:18)/impl:[23]' \
        --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
        grep '_median' | sed -E 's/^BM_chivecfun\/(nrep:[0-9]+\/ntime:[0-9]+)\/impl:([0-9]).*ns_per_unit=([0-9.]+)s?.*/  \1 \2 \3 ns per unit/; s/ 2 ([0-9.]+ ns)/ automatic \1/; s/ 3 ([0-9.]+ ns)/ sse2 \1/'
else
    echo "(no $fitbench: build with libbenchmark-dev for the fit's ns per unit)"
fi

echo "== summary (ratios: baseline / program, medians of $runs)"
printf '  %s\n' "${summary[@]}"
