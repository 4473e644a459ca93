"""Judging many pictures with dask: on the threads of one process, or on the workers of a
dask.distributed cluster spread over several machines.

    >>> from dask.distributed import Client
    >>> import pallidor.dask
    >>> client = Client("scheduler:8786")
    >>> rows = pallidor.dask.judge_paths(paths, IS_PERCEPTUAL_JUDGE=1)
    >>> rows.to_dataframe().to_csv("verdicts-*.csv")

Each row is a dict {"path", "verdict", "error", "code"} as pallidor.judge gives them. The
judgment releases the interpreter lock, so a worker's threads judge in parallel.
"""

import dask.bag
import fsspec

import pallidor

__all__ = ["judge_paths", "judge_urls"]


def _row(path, verdict):
    return {"path": path, "verdict": verdict.verdict, "error": verdict.error, "code": verdict.code}


def _judge_path(path, settings):
    return _row(str(path), pallidor.judge(path, settings=settings))


def _judge_open_file(open_file, settings):
    try:
        with open_file as stream:
            data = stream.read()
    except OSError as error:
        # A file that cannot be read is a row like any other failure, not a lost partition.
        return {"path": open_file.path, "verdict": None, "error": str(error), "code": "unreadable"}
    return _row(open_file.path, pallidor.judge(data, settings=settings))


def _partitions(count, npartitions):
    if npartitions is not None:
        return max(1, min(npartitions, count))
    # Partitions of about eight files: enough of them to keep every worker busy to the end, few
    # enough not to pay the scheduler for each file.
    return max(1, min(count, 1 + count // 8))


def judge_paths(paths, *, settings=None, npartitions=None, **keys):
    """A dask.bag.Bag of one row per path: {"path", "verdict", "error", "code"}.

    `paths` are file names every worker can open (a shared or network file system); the
    format comes from each extension. `settings` (a pallidor.Settings) and `keys` (settings
    by name, e.g. IS_PERCEPTUAL_JUDGE=1) are checked here, before anything is scheduled, so
    that a wrong key raises ValueError at once.
    """
    settings = _settings(settings, keys)
    paths = [str(p) for p in paths]
    bag = dask.bag.from_sequence(paths, npartitions=_partitions(len(paths), npartitions))
    return bag.map(_judge_path, settings)


def judge_urls(urlpath, *, settings=None, npartitions=None, storage_options=None, **keys):
    """A dask.bag.Bag of one row per file of `urlpath`, read through fsspec.

    `urlpath` is a URL, a glob pattern or a list of them in any file system fsspec knows
    (local, memory, object stores): the workers read each file's bytes where it lives, and the
    format comes from the bytes. `storage_options` go to the file system (credentials and
    the like). Rows are as judge_paths gives them, the path being the file system's own.
    """
    settings = _settings(settings, keys)
    files = fsspec.open_files(urlpath, mode="rb", **(storage_options or {}))
    bag = dask.bag.from_sequence(list(files), npartitions=_partitions(len(files), npartitions))
    return bag.map(_judge_open_file, settings)


def _settings(settings, keys):
    if settings is None:
        return pallidor.Settings(**keys)
    return settings.replace(**keys) if keys else settings
