#!/usr/bin/env python3
"""Writes the example data set: expression.tsv and design.tsv (a named table
and its design, for `coswitch scan`), and realdata.txt, para1.txt, para2.txt,
answers.txt, genes.txt (the same measurements for the classic run).

Six genes, 8 time points, 3 replicates. Every gene has two hidden expression
states (low, high) that follow a two-state Markov chain over the time points,
one chain per replicate. geneA and geneB share one chain (they switch
together), geneD is always in the state geneC is not (it switches exactly when
geneC does), and geneE and geneF each have a chain of their own. A value is
drawn from the normal density of its gene's current state.

The output depends only on this script: it has its own fixed-seed generator,
so running it again writes the same bytes.

Usage: python3 make_example.py [directory]   (default: the script's directory)
"""
import math
import os
import sys

NTIME = 8
NREP = 3
NBOOT = 100
GENES = ["geneA", "geneB", "geneC", "geneD", "geneE", "geneF"]
STAY = 0.75  # probability that a chain keeps its state from one time point to the next
HOURS = [0, 2, 4, 6, 8, 12, 24, 48]  # the time points' times, for the named table
REPLICATES = ["A", "B", "C"]
SEED = 20240611


class Generator:
    """splitmix64: small, fully specified, the same on every Python."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFFFFFFFFFF

    def next64(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & 0xFFFFFFFFFFFFFFFF
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & 0xFFFFFFFFFFFFFFFF
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & 0xFFFFFFFFFFFFFFFF
        return z ^ (z >> 31)

    def uniform(self):
        """A value in (0, 1)."""
        return ((self.next64() >> 11) + 0.5) / float(1 << 53)

    def normal(self):
        """Box-Muller; the second value of each pair is not used."""
        u1, u2 = self.uniform(), self.uniform()
        return math.sqrt(-2.0 * math.log(u1)) * math.cos(2.0 * math.pi * u2)


def chain(rng):
    """One replicate's 0/1 states over the time points."""
    states = [0 if rng.uniform() < 0.5 else 1]
    for _ in range(NTIME - 1):
        states.append(states[-1] if rng.uniform() < STAY else 1 - states[-1])
    return states


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rng = Generator(SEED)

    # Density parameters per gene: state 0 (para1) and state 1 (para2).
    low_mean = [2.0 + 0.2 * g for g in range(len(GENES))]
    low_sd = [0.50 + 0.02 * g for g in range(len(GENES))]
    high_mean = [5.0 + 0.1 * g for g in range(len(GENES))]
    high_sd = [0.60 + 0.02 * g for g in range(len(GENES))]

    # states[g][r][t]
    states = [[None] * NREP for _ in GENES]
    for r in range(NREP):
        shared = chain(rng)
        c_chain = chain(rng)
        states[0][r] = shared
        states[1][r] = shared
        states[2][r] = c_chain
        states[3][r] = [1 - s for s in c_chain]
        states[4][r] = chain(rng)
        states[5][r] = chain(rng)

    rows = []
    for t in range(NTIME):
        for r in range(NREP):
            values = []
            for g in range(len(GENES)):
                if states[g][r][t] == 0:
                    v = low_mean[g] + low_sd[g] * rng.normal()
                else:
                    v = high_mean[g] + high_sd[g] * rng.normal()
                values.append("%.3f" % v)
            rows.append(" ".join(values))

    def write(name, lines):
        with open(os.path.join(out_dir, name), "w", newline="\n") as f:
            f.write("".join(line + "\n" for line in lines))

    def fmt(values):
        return " ".join("%.2f" % v for v in values)

    write("realdata.txt", rows)
    write("para1.txt", [fmt(low_mean), fmt(low_sd)])
    write("para2.txt", [fmt(high_mean), fmt(high_sd)])
    write("answers.txt", ["G", str(NTIME), str(NREP), str(NBOOT), str(len(GENES))])
    write("genes.txt", GENES)

    # The named table: the same values, a row per gene, a column per sample
    # ("0h_A" is replicate A at 0 hours), and a seventh gene, geneG, with a
    # chain of its own and one measurement missing (an empty cell).
    samples = ["%dh_%s" % (h, rep) for h in HOURS for rep in REPLICATES]
    extra = Generator(SEED + 1)
    g_states = [chain(extra) for _ in range(NREP)]
    g_values = []
    for t in range(NTIME):
        for r in range(NREP):
            mean, sd = (2.4, 0.5) if g_states[r][t] == 0 else (5.2, 0.6)
            g_values.append("%.3f" % (mean + sd * extra.normal()))
    g_values[10] = ""
    table = ["gene\t" + "\t".join(samples)]
    for g, name in enumerate(GENES):
        table.append(name + "\t" + "\t".join(row.split()[g] for row in rows))
    table.append("geneG\t" + "\t".join(g_values))
    write("expression.tsv", table)
    design = ["sample\ttime\treplicate"]
    design += ["%dh_%s\t%d\t%s" % (h, rep, h, rep) for h in HOURS for rep in REPLICATES]
    write("design.tsv", design)


if __name__ == "__main__":
    main()
