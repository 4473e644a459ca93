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
# Debian's interpreter, for which the module is built and dask is installed. The checks live
# in a file of their own: dask's worker processes start by importing the main module's file.
exec /usr/bin/python3 -B scripts/check-python.py
