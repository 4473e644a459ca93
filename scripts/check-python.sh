#!/usr/bin/env bash
# Checks the Python module of a native build on a folder of pictures it has never seen, apart
# from the test suite:
#   scripts/check-python.sh FOLDER [BUILD_DIR]      (default BUILD_DIR: build)
# 1. pallidor.judge gives the verdicts of `pallidor-cli judge` under the defaults and with
#    IS_PERCEPTUAL_JUDGE=1 (every picture of FOLDER and its sub-folders);
# 2. the bytes of each picture give the verdict and evidence of its path;
# 3. a broken file (a picture of FOLDER cut short) gives an error value, not an exception;
# 4. two threads judge 16 large gray PNGs (written here, 2000x1500) at least 1.5 times as
#    fast as one;
# 5. pallidor.dask.judge_paths returns a dask Bag whose rows, computed on a LocalCluster of 2
#    worker processes, equal the console's verdicts.
# Prints one line per check and exits 1 when any fails. Needs scripts/setup-python.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 1 ] || { echo "usage: scripts/check-python.sh FOLDER [BUILD_DIR]" >&2; exit 2; }
folder=$(realpath "$1")
build=$(realpath "${2:-build}")
[ -d "$folder" ] || { echo "check-python: no folder $folder" >&2; exit 2; }
[ -f "$build/python/pallidor/__init__.py" ] || { echo "check-python: no module in $build/python (scripts/build.sh $build)" >&2; exit 2; }

export PYTHONPATH="$build/python" CHECK_FOLDER="$folder" CHECK_CLI="$build/pallidor-cli"
# Debian's interpreter, for which the module is built and dask is installed.
exec /usr/bin/python3 -B - <<'PYTHON'
import concurrent.futures
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import time
import zlib
import struct

import pallidor
import pallidor.dask

folder = pathlib.Path(os.environ["CHECK_FOLDER"])
cli = os.environ["CHECK_CLI"]
files = sorted(str(p) for p in folder.rglob("*") if p.is_file())
failed = []


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


def seconds_on(threads, paths):
    start = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(threads) as pool:
        verdicts = [v.verdict for v in pool.map(pallidor.judge, paths)]
    assert verdicts == ["monochrome"] * len(paths), verdicts
    return time.perf_counter() - start


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
            if judged[p].code == "unsupported-format":
                continue
            if (by_bytes.verdict, by_bytes.evidence) != (judged[p].verdict, judged[p].evidence):
                mismatched.append(p)
        report(f"bytes equal path under {title}", not mismatched, f"{len(mismatched)} differ, e.g. {mismatched[:3]}")

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
    ratios = []
    for _ in range(2):  # one retry: the machine may have been busy for a moment
        ratios.append(seconds_on(1, large) / seconds_on(2, large))
        if ratios[-1] >= 1.5:
            break
    report("two threads at least 1.5x as fast as one on 16 large gray PNGs", max(ratios) >= 1.5,
           ", ".join(f"{r:.2f}x" for r in ratios))

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

sys.exit(1 if failed else 0)
PYTHON
