#!/usr/bin/env bash
# Installs what the Python module's tests need beyond the build (scripts/setup.sh): Debian's
# dask, distributed, fsspec and pytest, for Debian's python3. Safe to run again.
set -euo pipefail

packages=(python3-dask python3-distributed python3-fsspec python3-pytest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
echo "setup-python: installing ${missing[*]}"
as_root apt-get update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
