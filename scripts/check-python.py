"""The checks of scripts/check-python.sh (see there), on the folder in CHECK_FOLDER with the
console tool in CHECK_CLI and the module found through PYTHONPATH."""
import concurrent.futures
import hashlib
import json
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time
import struct
import zlib

import pallidor
import pallidor.dask

folder = pathlib.Path(os.environ["CHECK_FOLDER"])
cli = os.environ["CHECK_CLI"]
failed = []
files = []


def report(name, ok, detail=""):
    print(f"{'ok  ' if ok else 'FAIL'} {name}{': ' + detail if detail else ''}", flush=True)
    if not ok:
        failed.append(name)


def console(keys, work):
    ini = work / "settings.ini"
    ini.write_text("[SORT]\nTHREAD_NUM=2\n[JUDGMENT]\n" + "".join(f"{k}={v}\n" for k, v in keys.items()))
    env = dict(os.environ, HOME=str(work), XDG_CONFIG_HOME=str(work), XDG_STATE_HOME=str(work))
    out = subprocess.run([cli, "judge", "--settings", str(ini), "--json", "-0", "-"], env=env,
                         input=b"".join(os.fsencode(p) + b"\0" for p in files), stdout=subprocess.PIPE).stdout
    return {row["path"]: row.get("verdict") for row in map(json.loads, out.decode().splitlines())}


def gray_png(path, width, height, seed):
    """An RGB PNG whose pixels are all gray: decoded and judged in full, no header short-cut."""
    triple = [bytes((v, v, v)) for v in range(256)]
    rows = []
    for y in range(height):
        rows.append(b"\0" + b"".join(triple[(x * 7 + y * 3 + seed) & 0xFF] for x in range(width)))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                     chunk(b"IDAT", zlib.compress(b"".join(rows), 1)) + chunk(b"IEND", b""))


def seconds_on(work, items, threads):
    start = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(threads) as pool:
        list(pool.map(work, items))
    return time.perf_counter() - start


def speedups(*works):
    """For each (work, items): the median of five ratios of a run on one thread to a run on two
    right beside it, the works taking turns so that each figure sees the same load."""
    pairs = [[] for _ in works]
    for i in range(5):
        order = (1, 2) if i % 2 == 0 else (2, 1)
        seconds = [{} for _ in works]
        for threads in order:
            for times, (work, items) in zip(seconds, works):
                times[threads] = seconds_on(work, items, threads)
        for figure, times in zip(pairs, seconds):
            figure.append(times[1] / times[2])
    return [statistics.median(figure) for figure in pairs]


def sha256(data):
    return hashlib.sha256(data).digest()


def main():
    files.extend(sorted(str(p) for p in folder.rglob("*") if p.is_file()))
    print(f"pallidor {pallidor.__version__} from {pallidor.__file__}; {len(files)} files in {folder}")
    with tempfile.TemporaryDirectory() as temp:
        work = pathlib.Path(temp)
        for title, keys in (("defaults", {}), ("IS_PERCEPTUAL_JUDGE=1", {"IS_PERCEPTUAL_JUDGE": 1})):
            expected = console(keys, work)
            settings = pallidor.Settings(**keys)
            with concurrent.futures.ThreadPoolExecutor(2) as pool:
                judged = dict(zip(files, pool.map(lambda p: pallidor.judge(p, settings=settings), files)))
            differ = [p for p in files if judged[p].verdict != expected.get(p)]
            report(f"verdicts equal the console's under {title}", not differ and len(expected) == len(files),
                   f"{len(differ)} of {len(files)} differ, e.g. {differ[:3]}" if differ else f"{len(files)} files")
            mismatched = []
            for p in files:
                by_bytes = pallidor.judge(pathlib.Path(p).read_bytes(), settings=settings)
                # The format of bytes comes from their content: only pictures are compared.
                if judged[p].code == "unsupported":
                    continue
                if (by_bytes.verdict, by_bytes.evidence) != (judged[p].verdict, judged[p].evidence):
                    mismatched.append(p)
            report(f"bytes equal path under {title}", not mismatched,
                   f"{len(mismatched)} differ, e.g. {mismatched[:3]}" if mismatched else "")

        pictures = [p for p in files if judged[p].verdict is not None]
        if pictures:
            data = pathlib.Path(pictures[0]).read_bytes()
            broken = work / ("broken" + pathlib.Path(pictures[0]).suffix)
            broken.write_bytes(data[: max(1, len(data) // 3)])
            try:
                values = [pallidor.judge(broken), pallidor.judge(broken.read_bytes())]
                ok = all(v.verdict is None and v.error and v.code for v in values)
                report("a broken file gives an error value", ok, "; ".join(f"{v.code}: {v.error}" for v in values))
            except Exception as error:  # the check is that nothing is raised
                report("a broken file gives an error value", False, f"raised {error!r}")
        else:
            report("a broken file gives an error value", False, "no picture in the folder to break")

        large = []
        for i in range(16):
            large.append(work / f"gray-{i:02d}.png")
            gray_png(large[-1], 2000, 1500, i)
        large = [str(p) for p in large]
        # Gray pictures stored as RGB: every pixel decoded and judged, no header short-cut.
        report("the 16 large gray PNGs are monochrome",
               all(pallidor.judge(p).verdict == "monochrome" for p in large))
        # Other work on the machine comes and goes: each ratio compares a run on one thread
        # with a run on two right beside it (in alternating order, so a trend cancels), and the
        # median of five counts. Hashing, which frees the interpreter lock too, shows what a
        # second thread can gain at that moment; up to three attempts.
        blocks = [bytes(range(256)) * 4096 * 8] * 128
        attempts = []
        for _ in range(3):
            attempts.append(speedups((pallidor.judge, large), (sha256, blocks)))
            if attempts[-1][0] >= 1.5:
                break
            time.sleep(5)
        figures = ", ".join(f"{p:.2f}x (hashing {r:.2f}x)" for p, r in attempts)
        name = "two threads at least 1.5x as fast as one on 16 large gray PNGs"
        if attempts[-1][0] < 1.5 and not all(r >= 1.5 for _, r in attempts):
            print(f"skip {name}: no second processor free for this process at every attempt: {figures}",
                  flush=True)
        else:
            report(name, attempts[-1][0] >= 1.5, figures)

        from dask.distributed import Client, LocalCluster
        import dask.bag
        expected = console({}, work)
        with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
                Client(cluster):
            bag = pallidor.dask.judge_paths(files)
            rows = bag.compute()
        same = isinstance(bag, dask.bag.Bag) and {r["path"]: r["verdict"] for r in rows} == expected
        report("pallidor.dask.judge_paths on a LocalCluster of 2 worker processes equals the console",
               same, f"{len(rows)} rows")
    return 1 if failed else 0


# dask's worker processes import this file again; only the first process runs the checks.
if __name__ == "__main__":
    sys.exit(main())
