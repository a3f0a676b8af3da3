"""Every way of giving the table and its design reaches the same run."""
import os
import warnings

import pytest

pd = pytest.importorskip("pandas", reason="the package needs pandas (python3-pandas)")
np = pytest.importorskip("numpy", reason="the package needs numpy (python3-numpy)")
import coswitch  # noqa: E402
from tables import EXAMPLES  # noqa: E402

SETTINGS = {"bootstrap": 10, "threads": 1}


@pytest.fixture(scope="module")
def example():
    table = pd.read_csv(os.path.join(EXAMPLES, "expression.tsv"), sep="\t", index_col=0,
                        float_precision="round_trip")
    design = pd.read_csv(os.path.join(EXAMPLES, "design.tsv"), sep="\t", index_col="sample")
    reference = coswitch.scan(table, time=design["time"], replicate=design["replicate"], **SETTINGS)
    return table, design, reference


def assert_same_run(result, reference):
    pd.testing.assert_frame_equal(result.pairs, reference.pairs)
    pd.testing.assert_frame_equal(result.genes, reference.genes)
    assert result.pooled_nulls == reference.pooled_nulls


def test_dataframe_designs(example):
    table, design, reference = example
    # Lists in column order; replicates numbered by order within a time point.
    times = design.loc[table.columns, "time"].tolist()
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert_same_run(coswitch.scan(table, time=times, **SETTINGS), reference)
    # A design whose rows are in another order is taken by sample name.
    shuffled = design.sample(frac=1, random_state=3)
    assert_same_run(coswitch.scan(table, time=shuffled["time"], replicate=shuffled["replicate"],
                                  **SETTINGS), reference)
    # Numeric labels, as a design read from text holds them.
    numbered = design["replicate"].map({"A": 1.0, "B": 2.0, "C": 3.0})
    assert_same_run(coswitch.scan(table, time=times, replicate=numbered, **SETTINGS), reference)
    # A column without a time is left out, whatever it holds.
    wider = table.assign(blank=np.nan, junk=1e300)
    assert_same_run(coswitch.scan(wider, time=times + [None, np.nan], **SETTINGS), reference)
    # Integer tables are numbers too.
    counts = table.dropna().round().astype("int64")
    run = coswitch.scan(counts, time=times, **SETTINGS)
    assert len(run.genes) == 6 and run.genes.status.eq("kept").all()


def test_anndata(example):
    anndata = pytest.importorskip("anndata", reason="AnnData input needs python3-anndata")
    table, design, reference = example
    obs = design.loc[table.columns]
    values = table.T.to_numpy(dtype="float64")
    adata = anndata.AnnData(X=values, obs=obs, var=pd.DataFrame(index=table.index),
                            dtype="float64")
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert_same_run(coswitch.scan(adata, time="time", replicate="replicate", **SETTINGS),
                        reference)
    # Values in a layer, and sparse ones, are the same values.
    adata.layers["copy"] = values.copy()
    adata.X = np.zeros_like(values)
    assert_same_run(coswitch.scan(adata, time="time", replicate="replicate", layer="copy",
                                  **SETTINGS), reference)
    sparse = pytest.importorskip("scipy.sparse", reason="sparse input needs python3-scipy")
    adata.X = sparse.csr_matrix(np.nan_to_num(values))
    run = coswitch.scan(adata, time="time", replicate="replicate", **SETTINGS)
    assert run.genes.status.eq("kept").all()

    # float32, AnnData's default: a warning, and the float32 values' results.
    narrow = anndata.AnnData(X=values.astype("float32"), obs=obs,
                             var=pd.DataFrame(index=table.index))
    assert narrow.X.dtype == np.float32
    with pytest.warns(UserWarning, match="float32"):
        run = coswitch.scan(narrow, time="time", replicate="replicate", **SETTINGS)
    widened = table.astype("float32").astype("float64")
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert_same_run(run, coswitch.scan(widened, time=design["time"],
                                           replicate=design["replicate"], **SETTINGS))
    with pytest.warns(UserWarning, match="float32"):
        coswitch.scan(table.astype("float32"), time=design["time"], **SETTINGS)

    with pytest.raises(coswitch.Error, match="no column 'hour' in obs"):
        coswitch.scan(adata, time="hour")
    with pytest.raises(coswitch.Error, match="no layer 'raw'"):
        coswitch.scan(adata, time="time", layer="raw")
