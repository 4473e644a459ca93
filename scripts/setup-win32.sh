#!/usr/bin/env bash
# Installs what the Windows cross build and its tests need on top of scripts/setup.sh: the
# i686 MinGW-w64 compilers, nasm for libjpeg-turbo's SIMD code, and 32-bit Wine. Then builds
# the static libraries (scripts/build-win32-deps.sh). Safe to run again: it only does what is
# missing. Prints the prefix of the i686 libraries as its only line on standard output.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
# Other jobs on the machine may hold the package lock for a while; wait instead of failing.
apt_get() { as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=1200 "$@"; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

# The x86_64 compilers and 64-bit Wine run the Windows tests where the kernel cannot run
# 32-bit programs (see test.sh).
packages=(gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
          mingw-w64-i686-dev gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev nasm wine wine32:i386 wine64
          python3)
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done

if [ "${#missing[@]}" -gt 0 ]; then
  # The 32-bit Wine loader lives in the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  echo "setup-win32: installing ${missing[*]}" >&2
  apt_get update -qq >&2
  apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# zlib's source is the one the native setup does not fetch already.
if ! compgen -G ".cache/sources/zlib-*/" >/dev/null; then
  echo "setup-win32: fetching the Debian source of zlib" >&2
  mkdir -p .cache/sources
  (cd .cache/sources && apt-get source -qq zlib >/dev/null 2>&1) || {
    apt_get update -qq >&2
    (cd .cache/sources && apt-get source -qq zlib >/dev/null 2>&1)
  } || { echo "setup-win32: apt-get source zlib failed" >&2; exit 2; }
fi

scripts/build-win32-deps.sh x86_64 >/dev/null
exec scripts/build-win32-deps.sh i686
