"""pallidor.dask: a LocalCluster of two worker processes gives the console's verdicts, and
fsspec brings bytes from any file system it knows."""

import pathlib

import dask
import dask.bag
import fsspec
import pytest

import pallidor
import pallidor.dask
from conftest import CRITERIA


def console_rows(console):
    return {path: {"path": path, "verdict": row.get("verdict"), "error": row.get("error")}
            for path, row in console.items()}


def without_code(rows):
    return {row["path"]: {k: row[k] for k in ("path", "verdict", "error")} for row in rows}


def test_urls_of_local_files_give_the_verdicts_of_their_paths(bench_corpus, cli_verdicts):
    files = [p for p in bench_corpus if p.endswith((".gif", ".bmp"))]
    folder = pathlib.Path(files[0]).parent
    rows = pallidor.dask.judge_urls(f"file://{folder}/*.gif").compute(scheduler="threads")
    rows += pallidor.dask.judge_urls([f"file://{p}" for p in files if p.endswith(".bmp")]).compute(
        scheduler="sync")
    console = console_rows(cli_verdicts("bench", bench_corpus, "defaults"))
    assert without_code(rows) == {p: console[p] for p in files}


def test_urls_of_a_memory_file_system_and_failures_as_rows(bench_corpus):
    memory = fsspec.filesystem("memory")
    png = [p for p in bench_corpus if p.endswith(".png")][:3]
    for i, path in enumerate(png):
        memory.pipe(f"/pictures/{i}.png", pathlib.Path(path).read_bytes())
    memory.pipe("/pictures/broken.png", b"\x89PNG\r\n\x1a\n" + b"\0" * 40)
    try:
        rows = pallidor.dask.judge_urls("memory://pictures/*", IS_PERCEPTUAL_JUDGE=1).compute(scheduler="sync")
    finally:
        memory.rm("/pictures", recursive=True)
    by_name = {pathlib.PurePosixPath(row["path"]).name: row for row in rows}
    assert sorted(by_name) == ["0.png", "1.png", "2.png", "broken.png"]
    for i, path in enumerate(png):
        assert by_name[f"{i}.png"]["verdict"] == pallidor.judge(path, IS_PERCEPTUAL_JUDGE=1).verdict
    assert (by_name["broken.png"]["verdict"], by_name["broken.png"]["code"]) == (None, "decode-failed")


@pytest.fixture(scope="module")
def cluster_client():
    distributed = pytest.importorskip("dask.distributed")
    # Worker processes find the module as this process did: through PYTHONPATH.
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            yield client


@pytest.mark.parametrize("criterion", sorted(CRITERIA))
def test_local_cluster_of_two_processes_gives_the_consoles_verdicts(criterion, cluster_client, bench_corpus,
                                                                    cli_verdicts):
    bag = pallidor.dask.judge_paths(bench_corpus, **CRITERIA[criterion])
    assert isinstance(bag, dask.bag.Bag)
    rows = bag.compute()
    assert len(rows) == len(bench_corpus)
    assert all(row["code"] is None for row in rows)
    assert without_code(rows) == console_rows(cli_verdicts("bench", bench_corpus, criterion))
    workers = cluster_client.run(lambda: __import__("os").getpid())
    assert len(set(workers.values())) == 2


def test_a_wrong_key_raises_before_anything_runs():
    with pytest.raises(ValueError):
        pallidor.dask.judge_paths(["a.png"], NO_SUCH_KEY=1)
    with pytest.raises(ValueError):
        pallidor.dask.judge_urls("memory://nothing/*", THRESHOLD_GS="x")
