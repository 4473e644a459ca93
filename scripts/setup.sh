#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for the native build and its tests, and
# unpacks the Debian sources whose test pictures the tests use. Safe to run again: it only
# does what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build pkg-config dpkg-dev
          libjpeg62-turbo-dev libpng-dev libgif-dev zlib1g-dev libtiff-dev libwebp-dev
          libgtest-dev googletest clang libbenchmark-dev
          python3-dev pybind11-dev
          lintian man-db bash-completion)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

apt_updated=0
apt_update() {
  [ "$apt_updated" -eq 1 ] && return
  as_root apt-get update -qq
  apt_updated=1
}

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt_update
  # Other jobs on the machine may hold the package lock for a while; wait instead of failing.
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=1200 install -y -qq "${missing[@]}" >/dev/null
fi

# Source entries mirrored from the machine's own binary entries, main stanzas only: the
# security archive does not carry every source package.
ensure_deb_src() {
  local out=/etc/apt/sources.list.d/pallidor-deb-src.sources
  [ -f "$out" ] && return
  local tmp
  tmp=$(mktemp)
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    awk 'BEGIN { RS=""; ORS="\n\n" }
         /Types:[^\n]*deb/ && !/Suites:[^\n]*-security/ {
           sub(/Types:[^\n]*/, "Types: deb-src"); print }' \
      /etc/apt/sources.list.d/debian.sources > "$tmp"
  fi
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb[[:space:]]' /etc/apt/sources.list | grep -v -- '-security' |
      sed -E 's/^deb[[:space:]]+/deb-src /' > "$tmp.list" || true
    if [ -s "$tmp.list" ]; then
      as_root cp "$tmp.list" /etc/apt/sources.list.d/pallidor-deb-src.list
    fi
    rm -f "$tmp.list"
  fi
  if [ -s "$tmp" ]; then as_root cp "$tmp" "$out"; fi
  rm -f "$tmp"
  apt_updated=0
}

# Unpacks one Debian source package into .cache/sources unless a directory for it exists.
fetch_source() {
  local package=$1 prefix=$2
  mkdir -p .cache/sources
  if compgen -G ".cache/sources/${prefix}-*/" >/dev/null; then return; fi
  ensure_deb_src
  apt_update
  echo "setup: fetching the Debian source of $package"
  (cd .cache/sources && apt-get source -qq "$package" >/dev/null 2>&1) ||
    { echo "setup: apt-get source $package failed" >&2; exit 2; }
}

fetch_source libpng1.6 libpng1.6
fetch_source libjpeg-turbo libjpeg-turbo
fetch_source giflib giflib
# The TIFF and WebP libraries are cross-built for Windows from these (build-win32-deps.sh).
fetch_source tiff tiff
fetch_source libwebp libwebp
