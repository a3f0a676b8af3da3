"""Tables for pooling.sh: p-values against B, and one pair's adjusted
p-value against the other pairs of the run."""
import csv
import statistics
import sys


def pairs(path):
    with open(path) as f:
        return {(r["gene1"], r["gene2"]): r for r in csv.DictReader(f, delimiter="\t")}


def bh_list(rows, level=0.05):
    return {k for k, r in rows.items() if float(r["p_new_bh"]) < level}


def main(work, genes):
    print(f"one data set: {genes} genes, 12 time points x 3 replicates, "
          f"{int(genes) // 10} coupled pairs (coupling 0.8)\n")
    print("| null | B | M | median abs. difference of p_new from B = 100 | largest | pairs at BH < 0.05 | same list as B = 100 |")
    print("|---|---|---|---|---|---|---|")
    for null, bs in (("fixed", (5, 20, 100, 400)), ("chained", (20, 100))):
        ref = pairs(f"{work}/{null}-100/pairs.tsv")
        for b in bs:
            rows = pairs(f"{work}/{null}-{b}/pairs.tsv")
            d = [abs(float(rows[k]["p_new"]) - float(ref[k]["p_new"])) for k in ref]
            m = len(rows) * b
            print(f"| {null} | {b} | {m} | {statistics.median(d):.4f} | {max(d):.4f} | "
                  f"{len(bh_list(rows))} | {'yes' if bh_list(rows) == bh_list(ref) else 'no'} |")
    print("\nThe same pairs scanned among fewer genes (fixed null, B = 100):\n")
    print("| genes in the run | pairs | pair | p_new | p_new_bh |")
    print("|---|---|---|---|---|")
    whole = pairs(f"{work}/fixed-100/pairs.tsv")
    small = pairs(f"{work}/subset-10/pairs.tsv")
    # The subset's best pair, followed through the larger runs.
    best = min(small, key=lambda k: float(small[k]["p_new"]))
    for label, rows in (("10", small), ("40", pairs(f"{work}/subset-40/pairs.tsv")), (genes, whole)):
        r = rows[best]
        print(f"| {label} | {len(rows)} | {best[0]} {best[1]} | {float(r['p_new']):.4g} | "
              f"{float(r['p_new_bh']):.4g} |")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
