"""What the tests share: where things are, the tables they run on, and the
text the program prints for a number."""
import math
import os
import subprocess
from decimal import Decimal

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLES = os.path.join(ROOT, "examples")
YEAST = os.path.join(os.path.dirname(ROOT), "shared", "data", "spellman1998",
                     "spellman1998_combined.tsv")
ALPHA = [f"alpha{7 * k}" for k in range(18)]


def binary():
    path = os.environ.get("COSWITCH_BINARY") or os.path.join(ROOT, "build", "coswitch")
    path = os.path.abspath(path)
    if not os.access(path, os.X_OK):
        pytest.skip(f"the program is not built ({path}); `make program` builds it")
    return path


def run_cli(*args, cwd):
    done = subprocess.run([binary(), *args], cwd=cwd, capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return done


def yeast_slice(path, genes=40):
    """The first `genes` genes of the yeast table with every alpha value, as
    the table's own text (so that both sides read the same decimals)."""
    if not os.path.exists(YEAST):
        pytest.skip(f"{YEAST} is absent (the shared data folder beside the repository)")
    with open(YEAST, encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        at = [header.index(c) for c in ALPHA]
        rows = []
        for line in f:
            cells = line.rstrip("\n").split("\t")
            values = [cells[k] if k < len(cells) else "" for k in at]
            if all(v.strip() for v in values):
                rows.append("\t".join([cells[0]] + values))
            if len(rows) == genes:
                break
    with open(path, "w", encoding="utf-8") as f:
        f.write("\t".join(["gene"] + ALPHA) + "\n" + "\n".join(rows) + "\n")


def shortest(v):
    """A double as the program prints it: the fewest digits that read back as
    v, in fixed or exponent form, whichever is shorter (fixed on a tie)."""
    if math.isnan(v):
        return "NaN"
    if math.isinf(v):
        return "Inf" if v > 0 else "-Inf"
    sign, digits, exp = Decimal(repr(v)).normalize().as_tuple()
    if digits == (0,):
        return "-0" if sign else "0"
    d = "".join(map(str, digits))
    point = len(d) + exp  # digits before the decimal point
    if point <= 0:
        fixed = "0." + "0" * -point + d
    elif point >= len(d):
        fixed = d + "0" * (point - len(d))
    else:
        fixed = d[:point] + "." + d[point:]
    e = point - 1
    sci = d[0] + ("." + d[1:] if len(d) > 1 else "") + ("e-" if e < 0 else "e+") + f"{abs(e):02d}"
    text = fixed if len(fixed) <= len(sci) else sci
    return ("-" if sign else "") + text


def significant(digits):
    """At most `digits` significant digits, as C's %g gives them."""
    def text(v):
        if math.isnan(v):
            return "NaN"
        if math.isinf(v):
            return "Inf" if v > 0 else "-Inf"
        return f"{v:.{digits}g}"
    return text


def fixed(decimals):
    def text(v):
        if math.isnan(v):
            return "NaN"
        return f"{v:.{decimals}f}"
    return text


def yes_no(v):
    return "yes" if v else "no"


PAIRS_TEXT = {"rank": str, "gene1": str, "gene2": str, "stat_new": fixed(8), "p_new": shortest,
              "p_new_bh": significant(6), "stat_corr": fixed(8), "p_corr": shortest,
              "p_corr_bh": significant(6), "r": fixed(8), "phase": str, "switching1": yes_no,
              "switching2": yes_no, "note": str}
GENES_TEXT = {"gene": str, "line": str, "status": str, "reason": str, "index": str,
              "mean0": shortest, "sd0": shortest, "mean1": shortest, "sd1": shortest,
              "weight1": fixed(4), "bic_gain": fixed(3), "persistence": fixed(4),
              "persistence_p": shortest, "switching": yes_no, "missing": str}


def printed(frame, how, not_applicable=None):
    """The frame's rows as the program prints them; rows where
    not_applicable(row) holds print their blank index and NA numbers."""
    lines = ["\t".join(frame.columns)]
    for row in frame.itertuples(index=False):
        cells = []
        for name, v in zip(frame.columns, row):
            if not_applicable is not None and not_applicable(row) and how[name] is not str:
                cells.append("NA")
            elif name == "index" and not_applicable is not None and not_applicable(row):
                cells.append("")
            else:
                cells.append(how[name](v))
        lines.append("\t".join(cells))
    return "\n".join(lines) + "\n"


def printed_genes(frame):
    return printed(frame, GENES_TEXT, lambda row: row.status != "kept")
