#!/usr/bin/env python3
"""The tables of calibration.sh from its folder of simulated data sets and scans.

For the pairs of independent genes: the share of p-values at or below 0.01,
0.05 and 0.2, their median and the Kolmogorov-Smirnov distance of their
distribution from the uniform one (what a calibrated p-value has). For the
coupled pairs: the share found at a Benjamini-Hochberg adjusted p-value below
0.05, and among all pairs so found in those data sets the share that are not
coupled (the false discovery proportion).
"""
import argparse
import csv
import os
import statistics

STATISTICS = [("dependence", "p_new", "p_new_bh"), ("correlation", "p_corr", "p_corr_bh")]


def read_pairs(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def coupled_pairs(truth_path):
    with open(truth_path, newline="") as f:
        return {frozenset((row["gene"], row["partner"]))
                for row in csv.DictReader(f, delimiter="\t") if row["role"] == "follower"}


def ks_uniform(values):
    v = sorted(values)
    n = len(v)
    return max(max((i + 1) / n - p, p - i / n) for i, p in enumerate(v))


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("folder")
    ap.add_argument("--designs", required=True)
    ap.add_argument("--sets", type=int, required=True)
    ap.add_argument("--pairs", type=int, required=True)
    ap.add_argument("--coupling", required=True)
    a = ap.parse_args()

    print("Independent pairs: a calibrated p-value has shares 0.01, 0.05 and 0.2, median 0.5, KS near 0.")
    print("Coupled pairs: power = share found at BH < 0.05; FDP = share of all pairs found there that are not coupled.")
    for design in a.designs.split(","):
        times, reps = design.split("x")
        for null in ("fixed", "chained"):
            rows = []
            counts = None
            for densities in ("given", "fitted"):
                for name, p_col, bh_col in STATISTICS:
                    p_values = []
                    found = coupled = false_found = all_found = 0
                    for k in range(1, a.sets + 1):
                        scan = os.path.join(a.folder, design, f"independent-{k}", f"{null}-{densities}", "pairs.tsv")
                        p_values += [float(r[p_col]) for r in read_pairs(scan)]
                        base = os.path.join(a.folder, design, f"coupled-{k}")
                        truth = coupled_pairs(os.path.join(base, "table.truth.tsv"))
                        for r in read_pairs(os.path.join(base, f"{null}-{densities}", "pairs.tsv")):
                            is_coupled = frozenset((r["gene1"], r["gene2"])) in truth
                            hit = float(r[bh_col]) < 0.05
                            coupled += is_coupled
                            found += is_coupled and hit
                            all_found += hit
                            false_found += hit and not is_coupled
                    n = len(p_values)
                    counts = (n, coupled)
                    share = lambda t: sum(p <= t for p in p_values) / n
                    fdp = f"{false_found / all_found:.3f}" if all_found else "-"
                    rows.append(f"| {densities} | {name} | {share(0.01):.4f} | {share(0.05):.4f} | {share(0.2):.4f} "
                                f"| {statistics.median(p_values):.3f} | {ks_uniform(p_values):.3f} "
                                f"| {found / coupled:.2f} | {fdp} |")
            print()
            print(f"{times} time points x {reps} replicate{'s' if reps != '1' else ''}, --null {null}: "
                  f"{counts[0]} independent pairs in {a.sets} data sets; "
                  f"{counts[1]} coupled pairs (coupling {a.coupling}, phases mixed) in {a.sets} data sets")
            print()
            print("| densities | statistic | p <= 0.01 | p <= 0.05 | p <= 0.2 | median p | KS | power | FDP |")
            print("|---|---|---|---|---|---|---|---|---|")
            print("\n".join(rows))


if __name__ == "__main__":
    main()
