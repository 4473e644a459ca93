#!/usr/bin/env bash
# Configures and builds one Windows cross tree with the static libraries of
# scripts/build-win32-deps.sh:  scripts/build-win32.sh DIR [i686|x86_64] [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
arch=${1:-i686}; [ "$#" -gt 0 ] && shift
prefix=$(scripts/build-win32-deps.sh "$arch")
cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
  -DPALLIDOR_WIN32_PREFIX="$prefix" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
