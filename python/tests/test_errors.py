"""Mistakes are refused with the fix in view; a run can be stopped."""
import os
import signal
import threading
import time

import pytest

pd = pytest.importorskip("pandas", reason="the package needs pandas (python3-pandas)")
np = pytest.importorskip("numpy", reason="the package needs numpy (python3-numpy)")
import coswitch  # noqa: E402
from tables import EXAMPLES  # noqa: E402


@pytest.fixture(scope="module")
def example():
    table = pd.read_csv(os.path.join(EXAMPLES, "expression.tsv"), sep="\t", index_col=0,
                        float_precision="round_trip")
    design = pd.read_csv(os.path.join(EXAMPLES, "design.tsv"), sep="\t", index_col="sample")
    return table, design["time"]


def test_settings_and_inputs(example, tmp_path):
    table, time = example
    with pytest.raises(TypeError, match="unknown setting 'normalize'; did you mean 'normalise'"):
        coswitch.scan(table, time=time, normalize="cpm")
    with pytest.raises(TypeError, match="'seed'"):
        coswitch.scan(table, time=time, seed=1)
    with pytest.raises(TypeError, match="bootstrap: a whole number"):
        coswitch.scan(table, time=time, bootstrap=2.5)
    with pytest.raises(TypeError, match="genes: a list of gene ids"):
        coswitch.scan(table, time=time, genes="geneA")
    with pytest.raises(TypeError, match="needs time="):
        coswitch.scan(table)
    with pytest.raises(TypeError, match="DataFrame"):
        coswitch.scan(table.to_numpy(), time=time)

    def refused(match, status=2, **kwargs):
        with pytest.raises(coswitch.Error, match=match) as caught:
            coswitch.scan(kwargs.pop("data", table), **{"time": time, **kwargs})
        assert caught.value.status == status
        assert isinstance(caught.value, ValueError)

    refused('null: "sometimes" is not one of fixed, chained', null="sometimes")
    refused("bootstrap: needs 0 or more", bootstrap=-3)
    refused("fdr: needs a level from 0 to 1", fdr=2)
    refused("nope", genes=["geneA", "nope"])
    refused("time: 3 values for 24 samples", time=[0, 1, 2])
    refused("time: no value for sample '0h_A'", time=time.drop("0h_A"))
    refused("time: 'late' of sample '48h_A' is not a number", time=time.replace(48, "late"))
    refused("replicate: sample '0h_A' has a time but no replicate",
            replicate=[None] + ["A"] * 23)
    refused("gene id \"geneA\" is given twice", data=table.rename(index={"geneB": "geneA"}))
    # The ids left as a column: the message says where they belong.
    refused("column 'gene' is not numbers.*index_col=0", data=table.reset_index())

    done = coswitch.scan(table, time=time, bootstrap=2, threads=1)
    done.write(tmp_path / "run")
    with pytest.raises(coswitch.Error) as caught:
        done.write(tmp_path / "run")
    assert caught.value.status == 1 and "run" in str(caught.value)


@pytest.fixture(scope="module")
def larger():
    """Enough pairs for a run that lasts a second or two on one thread."""
    rng = np.random.default_rng(5)
    times = np.repeat(np.arange(12), 3)
    states = rng.random((40, 12)) < 0.5
    values = np.where(np.repeat(states, 3, axis=1), 5.0, 2.0) + rng.normal(0, 0.6, (40, 36))
    table = pd.DataFrame(values, index=[f"g{k:02d}" for k in range(40)],
                         columns=[f"s{k}" for k in range(36)])
    return table, times.tolist()


def test_stopping(larger):
    table, times = larger
    settings = {"bootstrap": 100, "threads": 1}
    calls = []
    start = time.monotonic()
    coswitch.scan(table, time=times, progress=lambda done, total: calls.append((done, total)),
                  **settings)
    whole = time.monotonic() - start
    assert calls[0] == (1, 780) and calls[-1] == (780, 780)
    assert [d for d, _ in calls] == sorted(d for d, _ in calls)

    class Stop(Exception):
        pass

    stop = Stop("enough")

    def raising(done, total):
        raise stop

    start = time.monotonic()
    with pytest.raises(Stop) as caught:
        coswitch.scan(table, time=times, progress=raising, **settings)
    assert caught.value is stop
    assert time.monotonic() - start < whole / 2, "the run went on after its progress raised"

    # Ctrl-C: the signal arrives while the run holds no GIL.
    def interrupt(done, total):
        if done == 1:
            os.kill(os.getpid(), signal.SIGINT)

    start = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        coswitch.scan(table, time=times, progress=interrupt, **settings)
    assert time.monotonic() - start < whole / 2, "the run went on after Ctrl-C"

    # Other threads run meanwhile, and the module is whole after it all.
    ticks = []
    running = threading.Event()

    def tick():
        while not running.is_set():
            time.sleep(0.001)
        while running.is_set():
            ticks.append(time.monotonic())
            time.sleep(0.001)

    ticker = threading.Thread(target=tick)
    ticker.start()
    running.set()
    start = time.monotonic()
    again = coswitch.scan(table, time=times, **settings)
    end = time.monotonic()
    running.clear()
    ticker.join()
    assert any(start + 0.2 * whole < t < end - 0.2 * whole for t in ticks)
    assert len(again.pairs) == 780 and not again.pairs.p_new.isna().any()
