"""The library as another program gets it: installed by `cmake --install`, found by
find_package(Pallidor) and by pkg-config, and giving the console's verdicts."""

import os
import pathlib
import subprocess

import pytest

from conftest import BUILD, ROOT, cli_judge

CONSUMER = ROOT / "tests" / "consumer"


@pytest.fixture(scope="module")
def installed(tmp_path_factory):
    prefix = tmp_path_factory.mktemp("prefix")
    subprocess.run(["cmake", "--install", str(BUILD), "--prefix", str(prefix), "--component", "library"],
                   check=True, stdout=subprocess.DEVNULL)
    return prefix


def expected_lines(files, settings_file):
    console = cli_judge(files, settings_file)
    lines = []
    for path in files:
        row = console[path]
        word = row.get("verdict", "-")
        code = "" if "verdict" in row else "decode-failed"
        lines += [f"{word} {code} {path}"] * 2
    return lines


def sample(bench_corpus):
    return [p for p in bench_corpus if p.endswith(".gif")][:2] + [p for p in bench_corpus if p.endswith(".bmp")][:2]


def test_installed_files(installed):
    names = sorted(str(p.relative_to(installed)) for p in installed.rglob("*") if not p.is_dir())
    assert "include/pallidor/Judge.h" in names
    assert any(n.endswith("/pkgconfig/pallidor.pc") for n in names)
    assert any(n.endswith("/cmake/Pallidor/PallidorConfig.cmake") for n in names)
    assert any(n.endswith("libpallidor.so.1") for n in names)
    # Only the API's names leave the library, not the core's.
    library = next(installed.rglob("libpallidor.so.1"))
    symbols = subprocess.run(["nm", "-D", "--defined-only", "-C", str(library)], check=True,
                             capture_output=True, text=True).stdout
    exported = [line.split(" ", 2)[2] for line in symbols.splitlines() if " T " in line]
    assert exported and all(name.startswith("pallidor::") for name in exported), exported


def test_a_program_built_with_find_package(installed, tmp_path, bench_corpus, settings_files):
    build = tmp_path / "build"
    subprocess.run(["cmake", "-S", str(CONSUMER), "-B", str(build), "-G", "Ninja",
                    f"-DCMAKE_PREFIX_PATH={installed}"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build)], check=True, stdout=subprocess.DEVNULL)
    files = sample(bench_corpus)
    out = subprocess.run([str(build / "consumer"), "1", *files], check=True, capture_output=True, text=True).stdout
    lines = out.splitlines()
    assert lines[0].startswith("pallidor 1.")
    assert lines[1:] == expected_lines(files, settings_files["perceptual"])


def test_a_program_built_with_pkg_config(installed, tmp_path, bench_corpus, settings_files):
    pc = next(installed.rglob("pallidor.pc")).parent
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "pallidor"], check=True, capture_output=True,
                           text=True, env=dict(os.environ, PKG_CONFIG_PATH=str(pc))).stdout.split()
    program = tmp_path / "consumer"
    subprocess.run(["c++", "-std=c++17", str(CONSUMER / "Consumer.cpp"), "-o", str(program), *flags],
                   check=True)
    files = sample(bench_corpus) + [str(tmp_path / "missing.png")]
    library = next(installed.rglob("libpallidor.so.1")).parent
    out = subprocess.run([str(program), "0", *files], check=True, capture_output=True, text=True,
                         env=dict(os.environ, LD_LIBRARY_PATH=str(library))).stdout
    lines = out.splitlines()
    assert lines[1:-2] == expected_lines(files[:-1], settings_files["defaults"])
    assert lines[-2:] == [f"- not-found {files[-1]}", f"- unsupported {files[-1]}"]
