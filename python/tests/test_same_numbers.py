"""The same table gives the same bytes through Python as through the command
line, and the DataFrames print as the files."""
import os

import pytest

pd = pytest.importorskip("pandas", reason="the package needs pandas (python3-pandas)")
import coswitch  # noqa: E402
from tables import (ALPHA, EXAMPLES, PAIRS_TEXT, printed, printed_genes, run_cli,  # noqa: E402
                    shortest, yeast_slice)

SAME_FILES = ("pairs.tsv", "genes.tsv", "values.tsv", "edges.tsv", "nodes.tsv")


def read_table(path):
    # round_trip: the doubles the program's own reader makes of the decimals
    return pd.read_csv(path, sep="\t", index_col=0, float_precision="round_trip")


def same_as_cli(result, cli_dir, py_dir):
    result.write(py_dir)
    for name in SAME_FILES:
        with open(os.path.join(cli_dir, name), "rb") as a:
            with open(os.path.join(py_dir, name), "rb") as b:
                assert a.read() == b.read(), name
    with open(os.path.join(cli_dir, "pairs.tsv"), encoding="utf-8") as f:
        assert printed(result.pairs, PAIRS_TEXT) == f.read()
    with open(os.path.join(cli_dir, "genes.tsv"), encoding="utf-8") as f:
        assert printed_genes(result.genes) == f.read()
    with open(os.path.join(py_dir, "run.tsv"), encoding="utf-8") as f:
        assert "command\tcoswitch.scan from Python\n" in f.read()


def test_bundled_example(tmp_path):
    run_cli("scan", os.path.join(EXAMPLES, "expression.tsv"), "--design",
            os.path.join(EXAMPLES, "design.tsv"), "--bootstrap", "20", "--threads", "2",
            "-o", "cli", "--quiet", cwd=tmp_path)
    table = read_table(os.path.join(EXAMPLES, "expression.tsv"))
    design = pd.read_csv(os.path.join(EXAMPLES, "design.tsv"), sep="\t", index_col="sample")
    result = coswitch.scan(table, time=design["time"], replicate=design["replicate"],
                           bootstrap=20, threads=2)
    same_as_cli(result, tmp_path / "cli", tmp_path / "py")
    assert list(result.pairs.columns) == list(PAIRS_TEXT)
    # geneG's empty cell is a missing value of the model, the default: 7 genes, 21 pairs.
    assert result.pooled_nulls == 420 and (result.time_points, result.replicates) == (8, 3)
    top = result.pairs.iloc[0]
    assert (top.gene1, top.gene2, top.phase, top.switching1) == ("geneA", "geneB", "in", True)
    kept = result.genes.iloc[6]
    assert (kept.gene, kept.status, kept["index"], kept.missing) == ("geneG", "kept", 7, 1)
    assert result.genes["index"].tolist() == [1, 2, 3, 4, 5, 6, 7]
    assert (result.pairs.note == "").all()
    dropped = coswitch.scan(table, time=design["time"], replicate=design["replicate"],
                            bootstrap=2, threads=2, missing="drop").genes.iloc[6]
    assert (dropped.gene, dropped.status, dropped.reason) == ("geneG", "dropped", "missing value")
    assert pd.isna(dropped["index"]) and pd.isna(dropped.switching) and dropped.missing == 1


def test_yeast_alpha_series(tmp_path):
    yeast_slice(tmp_path / "alpha40.tsv")
    run_cli("scan", "alpha40.tsv", "--bootstrap", "50", "--threads", "2", "-o", "cli", "--quiet",
            cwd=tmp_path)
    table = read_table(tmp_path / "alpha40.tsv")
    assert list(table.columns) == ALPHA and len(table) == 40
    result = coswitch.scan(table, time=[int(c[len("alpha"):]) for c in table.columns],
                           bootstrap=50, threads=2)
    assert (result.time_points, result.replicates, len(result.pairs)) == (18, 1, 780)
    same_as_cli(result, tmp_path / "cli", tmp_path / "py")


def test_number_text():
    # The printing the comparisons above rely on, at its corners.
    cases = {0.0033222591362126247: "0.0033222591362126247", 4.762e-05: "4.762e-05",
             0.0001: "1e-04", 0.001: "0.001", 1e22: "1e+22", 123456.0: "123456", -0.5: "-0.5",
             1.5e300: "1.5e+300", 0.0: "0", float("nan"): "NaN", 100.0: "100"}
    assert {v: shortest(v) for v in cases} == cases
