"""Shared fixtures of the Python module's tests: the native build, the console tool's verdicts
on the two corpora (computed once per session), and settings files.

Environment: PALLIDOR_BUILD (default: build), PALLIDOR_CORPUS (the labelled real pictures,
default .cache/corpus/pictures); PALLIDOR_REQUIRE_CORPUS=1 fails instead of skipping when
the labelled pictures are missing.
"""

import json
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("PALLIDOR_BUILD", ROOT / "build")).resolve()
CLI = BUILD / "pallidor-cli"
BENCH = BUILD / "bench-corpus"
LABELLED = pathlib.Path(os.environ.get("PALLIDOR_CORPUS", ROOT / ".cache/corpus/pictures")).resolve()

# The two criteria every comparison runs under: the defaults and the perceptual one.
CRITERIA = {"defaults": {}, "perceptual": {"IS_PERCEPTUAL_JUDGE": 1}}


def write_settings(path, keys, threads=2):
    lines = ["[SORT]", f"THREAD_NUM={threads}", "[JUDGMENT]"] + [f"{k}={v}" for k, v in keys.items()]
    path.write_text("\n".join(lines) + "\n")
    return path


def cli_judge(paths, settings_file):
    """{path: row} from `pallidor-cli judge --json --explain` with the settings file."""
    env = dict(os.environ, HOME=str(settings_file.parent), XDG_CONFIG_HOME=str(settings_file.parent),
               XDG_STATE_HOME=str(settings_file.parent))
    done = subprocess.run([str(CLI), "judge", "--settings", str(settings_file), "--json", "--explain", "-0", "-"],
                          input=b"".join(os.fsencode(p) + b"\0" for p in paths),
                          stdout=subprocess.PIPE, env=env, check=False)
    assert done.returncode in (0, 1), done.returncode
    rows = [json.loads(line) for line in done.stdout.decode().splitlines()]
    return {row["path"]: row for row in rows}


def pictures(folder):
    return sorted(str(p) for p in pathlib.Path(folder).rglob("*")
                  if p.is_file() and not p.name.endswith(".part"))


@pytest.fixture(scope="session")
def bench_corpus():
    # Written once into the build folder by the benchmarks' generator (only the files missing).
    subprocess.run([str(BUILD / "pallidor-make-corpus"), str(BENCH)], check=True, stdout=subprocess.DEVNULL)
    return pictures(BENCH)


@pytest.fixture(scope="session")
def labelled_corpus():
    files = pictures(LABELLED / "monochrome") + pictures(LABELLED / "color") if LABELLED.is_dir() else []
    if not files:
        message = f"no labelled pictures in {LABELLED} (scripts/fetch-corpus.sh)"
        if os.environ.get("PALLIDOR_REQUIRE_CORPUS") == "1":
            pytest.fail(message)
        pytest.skip(message)
    return files


@pytest.fixture(scope="session")
def settings_files(tmp_path_factory):
    folder = tmp_path_factory.mktemp("settings")
    return {name: write_settings(folder / f"{name}.ini", keys) for name, keys in CRITERIA.items()}


@pytest.fixture(scope="session")
def cli_verdicts(settings_files, bench_corpus):
    """The console's rows on the bench corpus, by criterion; the labelled ones come on demand."""
    cache = {}

    def rows(corpus_name, files, criterion):
        key = (corpus_name, criterion)
        if key not in cache:
            cache[key] = cli_judge(files, settings_files[criterion])
        return cache[key]

    return rows
