#!/usr/bin/env python3
"""Checks the expected files of a case against the rules, computed apart from
the program: the layout of both files, the pair order, the observed
correlation and dependence statistic of every pair, and both p-values from
the pooled null values in output.txt. The null values themselves come from
the random streams, which the unit tests pin.

usage: check_by_hand.py CASE_DIR ...
"""
import math
import struct
import sys


def numbers(path, reads, count):
    """The free-form reads: each starts on a new line, takes `count` values."""
    lines = open(path).read().split("\n")
    out, k = [], 0
    for _ in range(reads):
        got = []
        while len(got) < count:
            got += [float(w) for w in lines[k].replace(",", " ").split()][: count - len(got)]
            k += 1
        out.append(got)
    return out


def dnorm(x, m, s):
    q = (x - m) ** 2 / ((2 * s) * s)
    return math.exp(-q) / (s * 2.5066282143923915)


def corr(x, y):
    n = len(x)
    mx, my = sum(x) / n, sum(y) / n
    sxx = sum((a - mx) ** 2 for a in x)
    syy = sum((b - my) ** 2 for b in y)
    sxy = sum((a - mx) * (b - my) for a, b in zip(x, y))
    return sxy / (math.sqrt(sxx) * math.sqrt(syy))


def dependence(q, nrep, ntime):
    """The fitted four-cell chain's expected joint transitions against the
    product of the two genes' margins; q[i][t][k] is the weight of cell k."""
    tol = 1.0000000474974513e-3
    that = [[0.25] * 4 for _ in range(4)]
    pivec = [0.25] * 4
    while True:
        old = [row[:] for row in that]
        gamma = [[[0.0] * 4 for _ in range(ntime)] for _ in range(nrep)]
        xi = [[[[0.0] * 4 for _ in range(4)] for _ in range(ntime - 1)] for _ in range(nrep)]
        for i in range(nrep):
            a = [[0.0] * 4 for _ in range(ntime)]
            b = [[0.0] * 4 for _ in range(ntime)]
            a[0] = [pivec[k] * q[i][0][k] for k in range(4)]
            for t in range(1, ntime):
                a[t] = [sum(a[t - 1][j] * old[j][k] for j in range(4)) * q[i][t][k] for k in range(4)]
            b[ntime - 1] = [1.0] * 4
            for t in range(ntime - 2, -1, -1):
                tmp = [b[t + 1][k] * q[i][t + 1][k] for k in range(4)]
                b[t] = [sum(old[j][k] * tmp[k] for k in range(4)) for j in range(4)]
            for t in range(ntime):
                s = sum(a[t][j] * b[t][j] for j in range(4))
                gamma[i][t] = [a[t][k] * b[t][k] / (s + 1e-300) for k in range(4)]
            for t in range(ntime - 1):
                n = [[old[j][k] * a[t][j] * q[i][t + 1][k] * b[t + 1][k] for k in range(4)] for j in range(4)]
                s = sum(n[j][k] for j in range(4) for k in range(4))
                xi[i][t] = [[n[j][k] / (s + 1e-300) for k in range(4)] for j in range(4)]
        gbar = [[sum(gamma[i][t][k] for i in range(nrep)) / nrep for k in range(4)] for t in range(ntime)]
        for j in range(4):
            for k in range(4):
                that[j][k] = sum(sum(xi[i][t][j][k] for i in range(nrep)) / (nrep * gbar[t][j] + 1e-300)
                                 for t in range(ntime - 1)) / (ntime - 1)
        pivec = gbar[0][:]
        d = 0.0625 * sum(abs(that[j][k] - old[j][k]) for k in range(4) for j in range(4))
        if not d >= tol:
            break
    c = [[sum(xi[i][t][j][k] for t in range(ntime - 1) for i in range(nrep)) for k in range(4)] for j in range(4)]
    # Margins: the first gene's state is the cell's slow index, the second's the fast one.
    na = [[sum(c[2 * a + x][2 * b + y] for x in (0, 1) for y in (0, 1)) for b in (0, 1)] for a in (0, 1)]
    nb = [[sum(c[2 * x + a][2 * y + b] for x in (0, 1) for y in (0, 1)) for b in (0, 1)] for a in (0, 1)]
    m = sum(na[a][b] for a in (0, 1) for b in (0, 1))
    e = [[na[j // 2][k // 2] * nb[j % 2][k % 2] / m for k in range(4)] for j in range(4)]
    return sum((c[j][k] - e[j][k]) ** 2 / (e[j][k] + 1e-300) for j in range(4) for k in range(4))


def single(v):
    """v rounded to single precision, as the p-values are stored."""
    return struct.unpack("f", struct.pack("f", v))[0]


def field(v, w, d):
    s = "NaN" if v != v else "%.*f" % (d, v)
    return s.rjust(w) if len(s) <= w else "*" * w


def check(case):
    answers = open(case + "/answers.txt").read().split()
    mode = answers[0][0].upper()
    ntime, nrep, nboot, ngene = (int(a) for a in answers[1:5])
    cols = max(ngene, ntime) if mode == "T" else ngene
    data = numbers(case + "/realdata.txt", ntime * nrep, ngene)
    p1 = numbers(case + "/para1.txt", 2, cols)
    p2 = numbers(case + "/para2.txt", 2, cols)
    pvalue = open(case + "/expected/pvalue.txt").read().split("\n")
    output = open(case + "/expected/output.txt").read().split("\n")
    assert pvalue[0] == "    Gene1    Gene2    observed stat new    newpvalue    observed stat corr    corrpvalue"
    assert output[0] == "    Gene1    Gene2         B         nullstat         nullcorr"
    pairs = [(i, j) for i in range(1, ngene) for j in range(i + 1, ngene + 1)]
    assert pvalue[1:] == [l for l in pvalue[1:] if l] + [""] and len(pvalue) == len(pairs) + 2
    assert len(output) == len(pairs) * nboot + 2 and output[-1] == ""
    nulls, nullcorrs, observed = [], [], []
    for n, (i, j) in enumerate(pairs):
        for b in range(1, nboot + 1):
            line = output[1 + n * nboot + b - 1]
            assert len(line) == 78 and [int(x) for x in line.split()[:3]] == [i, j, b], line
            nulls.append(float(line[34:54]))
            nullcorrs.append(float(line[58:78]))
        x = [data[m][i - 1] for m in range(ntime * nrep)]
        y = [data[m][j - 1] for m in range(ntime * nrep)]
        q = [[[0.0] * 4 for _ in range(ntime)] for _ in range(nrep)]
        for r in range(nrep):
            for t in range(ntime):
                c1, c2 = (t, t) if mode == "T" else (i - 1, j - 1)
                ya, yb = x[t * nrep + r], y[t * nrep + r]
                da = [dnorm(ya, p1[0][c1], p1[1][c1]), dnorm(ya, p2[0][c1], p2[1][c1])]
                db = [dnorm(yb, p1[0][c2], p1[1][c2]), dnorm(yb, p2[0][c2], p2[1][c2])]
                q[r][t] = [da[k // 2] * db[k % 2] for k in range(4)]
        observed.append((i, j, dependence(q, nrep, ntime), abs(corr(x, y))))
    m = nboot * len(pairs)
    for n, (i, j, stat, c) in enumerate(observed):
        # The null values were rounded to 10 decimals in output.txt; a p-value is off only
        # if an observed value came within that of a null value.
        pn = single(sum(1 for v in nulls if not stat > v) / m)
        pc = single(sum(1 for v in nullcorrs if not c > v) / m)
        want = "    %6d    %6d    %s    %s    %s    %s" % (i, j, field(stat, 14, 8), field(pn, 14, 8),
                                                        field(c, 14, 8), field(pc, 14, 8))
        assert pvalue[1 + n] == want, (pvalue[1 + n], want)
    print(case, "agrees with the rules:", len(pairs), "pairs,", m, "null values")


for case in sys.argv[1:]:
    check(case.rstrip("/"))
