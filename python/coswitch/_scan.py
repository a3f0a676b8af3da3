"""coswitch.scan: a DataFrame or AnnData in, the library's plain table and
design; the library's columns out, as the DataFrames of pairs.tsv and
genes.tsv."""
import difflib
import math
import numbers
import operator
import os
import warnings

import numpy as np
import pandas as pd

from . import _coswitch
from ._errors import Error

PAIRS_COLUMNS = ("rank", "gene1", "gene2", "stat_new", "p_new", "p_new_bh", "stat_corr", "p_corr",
                 "p_corr_bh", "r", "phase", "switching1", "switching2")
GENES_COLUMNS = ("gene", "line", "status", "reason", "index", "mean0", "sd0", "mean1", "sd1",
                 "weight1", "bic_gain", "persistence", "persistence_p", "switching", "missing")

_INT_MAX = 2**31 - 1


def _text(name, value):
    if not isinstance(value, str):
        raise TypeError(f"{name}: a string, not {type(value).__name__}")
    return value


def _transform(name, value):
    # None leaves it not given, so that raw counts are refused as on the
    # command line without --transform.
    return "" if value is None else _text(name, value)


def _whole(name, value):
    if isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{name}: a whole number, not {value!r}")
    try:
        n = operator.index(value)
    except TypeError:
        raise TypeError(f"{name}: a whole number, not {value!r}") from None
    if n > _INT_MAX:
        raise Error(f"{name}: {n} is too large")
    return max(n, -1)  # the library names what a negative value should be


def _number(name, value):
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name}: a number, not {value!r}")
    return float(value)


def _flag(name, value):
    if not isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{name}: True or False, not {value!r}")
    return bool(value)


def _ids(name, value):
    if isinstance(value, (str, bytes)):
        raise TypeError(f"{name}: a list of gene ids, not one string")
    try:
        ids = list(value)
    except TypeError:
        raise TypeError(f"{name}: a list of gene ids, not {type(value).__name__}") from None
    return [str(i) for i in ids]


# The command line's options of `coswitch scan` that apply to a table in
# memory, by their names with _ for -.
_SETTINGS = {
    "bootstrap": _whole,
    "threads": _whole,
    "transform": _transform,
    "normalise": _text,
    "missing": _text,
    "max_missing": _number,
    "null": _text,
    "genes": _ids,
    "fdr": _number,
    "report_pairs": _whole,
    "gzip": _flag,
}


def _settings(given):
    s = _coswitch.Settings()
    for name, value in given.items():
        convert = _SETTINGS.get(name)
        if convert is None:
            close = difflib.get_close_matches(name, _SETTINGS, n=1)
            hint = f"; did you mean {close[0]!r}?" if close else ""
            raise TypeError(f"scan() got an unknown setting {name!r}{hint} "
                            f"(settings: {', '.join(sorted(_SETTINGS))})")
        setattr(s, name, convert(name, value))
    return s


def _missing(v):
    if v is None or v is pd.NA or v is pd.NaT:
        return True
    return isinstance(v, (float, np.floating)) and math.isnan(v)


def _per_sample(values, what, samples):
    """One entry per sample: a sequence in column order, or a Series indexed
    by sample name (a design table's column), taken by name."""
    if isinstance(values, (str, bytes)) or not hasattr(values, "__iter__"):
        raise TypeError(f"{what}: one value per sample, not {values!r}")
    if isinstance(values, pd.Series) and not isinstance(values.index, pd.RangeIndex):
        by_name = {}
        for key, v in values.items():
            if str(key) in by_name:
                raise Error(f"{what}: sample {str(key)!r} is given twice")
            by_name[str(key)] = v
        absent = [s for s in samples if s not in by_name]
        if absent:
            raise Error(f"{what}: no value for sample {absent[0]!r}"
                        + (f" and {len(absent) - 1} more" if len(absent) > 1 else ""))
        return [by_name[s] for s in samples]
    out = list(values)
    if len(out) != len(samples):
        raise Error(f"{what}: {len(out)} values for {len(samples)} samples")
    return out


def _times(values, samples):
    out = []
    for v, sample in zip(values, samples):
        if _missing(v):
            out.append(math.nan)
            continue
        try:
            out.append(float(v))
        except (TypeError, ValueError):
            raise Error(f"time: {v!r} of sample {sample!r} is not a number") from None
    return out


def _replicates(values, times, samples):
    out = []
    for v, t, sample in zip(values, times, samples):
        if _missing(v):
            if not math.isnan(t):
                raise Error(f"replicate: sample {sample!r} has a time but no replicate")
            out.append("")
        elif isinstance(v, (float, np.floating)) and float(v).is_integer():
            out.append(str(int(v)))  # a label column read as floats: 1.0 was "1"
        else:
            out.append(str(v))
    return out


def _numeric(array, what):
    """float64 values, and whether they were narrower floats first."""
    kind = np.dtype(array.dtype)
    if kind.kind not in "biuf":
        raise Error(f"{what} are not numbers ({kind})")
    return np.ascontiguousarray(array, dtype=np.float64), kind.kind == "f" and kind.itemsize < 8


def _from_frame(df, time, replicate):
    samples = [str(c) for c in df.columns]
    not_numbers = [c for c, t in df.dtypes.items() if not pd.api.types.is_numeric_dtype(t)]
    if not_numbers:
        hint = ""
        if isinstance(df.index, pd.RangeIndex):
            hint = ("; the gene ids belong in the index "
                    "(e.g. pandas.read_csv(..., sep='\\t', index_col=0))")
        raise Error(f"column {str(not_numbers[0])!r} is not numbers ({df.dtypes[not_numbers[0]]})"
                    + hint)
    narrow = any(t.kind == "f" and t.itemsize < 8 for t in df.dtypes if isinstance(t, np.dtype))
    values = df.to_numpy(dtype=np.float64, na_value=np.nan)
    if time is None:
        raise TypeError("scan() needs time=: the time of each column")
    times = _times(_per_sample(time, "time", samples), samples)
    reps = [] if replicate is None else _replicates(
        _per_sample(replicate, "replicate", samples), times, samples)
    return [str(g) for g in df.index], samples, values, times, reps, narrow


def _obs(adata, key, what):
    if isinstance(key, str):
        if key not in adata.obs.columns:
            raise Error(f"{what}: no column {key!r} in obs (columns: "
                        f"{', '.join(map(str, adata.obs.columns)) or 'none'})")
        return list(adata.obs[key])
    return key


def _from_anndata(adata, time, replicate, layer):
    if layer is None:
        x = adata.X
    elif layer in adata.layers:
        x = adata.layers[layer]
    else:
        raise Error(f"layer: no layer {layer!r} (layers: {', '.join(adata.layers) or 'none'})")
    if x is None:
        raise Error("the AnnData holds no values (X is None)")
    if hasattr(x, "toarray"):
        x = x.toarray()
    values, narrow = _numeric(np.asarray(x).T, "the AnnData's values")
    samples = [str(s) for s in adata.obs_names]
    if time is None:
        raise TypeError("scan() needs time=: the obs column holding each sample's time")
    times = _times(_per_sample(_obs(adata, time, "time"), "time", samples), samples)
    reps = [] if replicate is None else _replicates(
        _per_sample(_obs(adata, replicate, "replicate"), "replicate", samples), times, samples)
    return [str(g) for g in adata.var_names], samples, values, times, reps, narrow


def _is_anndata(data):
    return any(c.__name__ == "AnnData" and c.__module__.startswith("anndata")
               for c in type(data).__mro__)


class Result:
    """A finished scan: ``pairs`` and ``genes`` are pairs.tsv and genes.tsv
    as DataFrames (the same columns; ``switching`` as booleans, missing for
    genes not kept, like ``index``); ``pooled_nulls`` is M, the p-values
    being (count + 1) / (M + 1)."""

    def __init__(self, native):
        self._native = native
        self.pooled_nulls = native.pooled_nulls
        self.time_points = native.time_points
        self.replicates = native.replicates
        cols = native.pair_columns()
        # With missing values pairs.tsv ends in a note: why a correlation is NaN.
        columns = PAIRS_COLUMNS + (("note",) if native.pair_notes else ())
        self.pairs = pd.DataFrame({c: cols[c] for c in columns}, columns=columns)
        self.genes = _genes_frame(native.gene_columns())

    def write(self, dir, how="coswitch.scan from Python"):
        """Writes the folder ``coswitch scan -o DIR`` writes; ``dir`` must
        not exist. ``how`` is recorded as the command in its run.tsv."""
        self._native.write(os.fspath(dir), how)

    def __repr__(self):
        kept = int((self.genes["status"] == "kept").sum())
        return (f"<coswitch.Result: {kept} of {len(self.genes)} genes kept, "
                f"{len(self.pairs)} pairs, {self.time_points} time points x "
                f"{self.replicates} replicates, pooled_nulls={self.pooled_nulls}>")


def _genes_frame(cols):
    kept = cols["index"] > 0
    index = pd.array(cols["index"], dtype="Int64")
    index[~kept] = pd.NA
    switching = pd.array(cols["switching"], dtype="boolean")
    switching[~kept] = pd.NA
    frame = {c: cols[c] for c in GENES_COLUMNS if c in cols}
    # A gene's line in the table written as text under its header line.
    frame["line"] = np.arange(2, len(kept) + 2, dtype=np.int64)
    frame["index"] = index
    frame["switching"] = switching
    return pd.DataFrame(frame, columns=GENES_COLUMNS)


def scan(data, time=None, replicate=None, *, progress=None, layer=None, **settings):
    """The analysis of ``coswitch scan``, on a table held in memory.

    data: a pandas DataFrame, genes x samples (gene ids as the index, sample
    names as the columns), or an AnnData, samples x genes (``obs`` rows the
    samples, ``var_names`` the gene ids; ``layer`` picks a layer in place of
    X). Values are taken as float64; missing values are NaN.

    time: each sample's time, a number; a sample whose time is missing is
    left out. For a DataFrame, a sequence with one entry per column, or a
    Series indexed by sample name; for an AnnData, the name of an obs column
    (or such a sequence).

    replicate: each sample's replicate label, the same way; without it the
    samples of a time point are replicates 1, 2, ... in column order.

    progress: called as progress(done, total) in pairs now and then; an
    exception it raises stops the run and is raised by scan. Ctrl-C stops
    the run with KeyboardInterrupt.

    settings: the command line's options by name, with _ for -: bootstrap,
    threads, transform, normalise, missing, null, genes (a list of ids),
    fdr, report_pairs, gzip.
    """
    native_settings = _settings(settings)
    if progress is not None and not callable(progress):
        raise TypeError(f"progress: a callable progress(done, total), not {progress!r}")
    if _is_anndata(data):
        table = _from_anndata(data, time, replicate, layer)
    elif isinstance(data, pd.DataFrame):
        if layer is not None:
            raise TypeError("layer: only for an AnnData")
        table = _from_frame(data, time, replicate)
    else:
        raise TypeError("data: a pandas DataFrame (genes x samples) or an AnnData "
                        f"(samples x genes), not {type(data).__name__}")
    genes, samples, values, times, reps, narrow = table
    if narrow:
        warnings.warn(
            "coswitch.scan: the values are float32; each is used as the float64 of the same "
            "value, not of the decimal text it was read from, so the results can differ "
            "from the command line's on that text (read the values as float64 to match it)",
            UserWarning, stacklevel=2)
    return Result(_coswitch.scan(genes, samples, values, times, reps, native_settings, progress))
