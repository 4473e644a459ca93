"""Files per second (wall time, and the workers' processor time) of pallidor.dask.judge_paths on the bench corpus, on a LocalCluster of 1
and of 2 worker processes (one thread each), under the defaults and the perceptual criterion.

    PYTHONPATH=build/python /usr/bin/python3 bench/dask-workers.py [CORPUS] [ROUNDS]

CORPUS defaults to build/bench-corpus (written by build/pallidor-make-corpus).
"""

import pathlib
import sys
import time

from dask.distributed import Client, LocalCluster

import pallidor.dask

def main():
    corpus = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/bench-corpus")
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 2
    paths = sorted(str(p) for p in corpus.iterdir() if p.is_file() and not p.name.endswith(".part"))
    for p in paths:
        pathlib.Path(p).read_bytes()  # from the page cache in every run

    print(f"{len(paths)} files in {corpus}")
    for workers in (1, 2):
        with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
                Client(cluster) as client:
            # One small run first: the workers import the module before anything is timed.
            pallidor.dask.judge_paths(paths[:2]).compute()
            for title, keys in (("defaults", {}), ("IS_PERCEPTUAL_JUDGE=1", {"IS_PERCEPTUAL_JUDGE": 1})):
                for _ in range(rounds):
                    before = client.run(time.process_time)
                    start = time.perf_counter()
                    rows = pallidor.dask.judge_paths(paths, **keys).compute()
                    elapsed = time.perf_counter() - start
                    after = client.run(time.process_time)
                    # The workers' own processor time: what other load on the machine cannot inflate.
                    busy = sum(after[w] - before[w] for w in after)
                    mono = sum(row["verdict"] == "monochrome" for row in rows)
                    print(f"{workers} worker process(es), {title}: {len(rows) / elapsed:.1f} files/s "
                          f"({elapsed:.1f} s; workers' processor time {busy:.1f} s; {mono} monochrome)",
                          flush=True)


# dask's worker processes import this file again; only the first process measures.
if __name__ == "__main__":
    main()
