#!/usr/bin/env bash
# Makes BUILD_DIR/pallidor-<version>-win32.zip from a finished Windows build:
#   scripts/package-win32.sh [BUILD_DIR]          (default build-win32)
# It holds pallidor.exe, pallidor-cli.exe, Readme.txt and the licence texts of Pallidor and of
# the libraries linked in, taken from the Debian sources the libraries were built from.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win32}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package-win32: no project version in $build/CMakeCache.txt" >&2; exit 2; }

source_dir() {
  local found
  found=$(compgen -G ".cache/sources/$1-*/" | head -n 1) ||
    { echo "package-win32: no source of $1 in .cache/sources" >&2; exit 2; }
  echo "${found%/}"
}
jpeg=$(source_dir libjpeg-turbo)
png=$(source_dir libpng1.6)
gif=$(source_dir giflib)
zlib=$(source_dir zlib)
tiff=$(source_dir tiff)
webp=$(source_dir libwebp)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top=$stage/pallidor-$version
mkdir -p "$top/licenses"
cp "$build/pallidor.exe" "$build/pallidor-cli.exe" "$top/"
# The build keeps its debugging information; the user's copy does without.
strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "$build/CMakeCache.txt")
"${strip:-strip}" "$top/pallidor.exe" "$top/pallidor-cli.exe"
# Notepad of every Windows version shows a UTF-8 text with a byte-order mark and CR LF ends.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' Readme.txt; } >"$top/Readme.txt"
cp LICENSE "$top/licenses/LICENSE-Pallidor.txt"
# libjpeg-turbo's terms are in two files: its own and those of the IJG code it contains.
cp "$jpeg/LICENSE.md" "$top/licenses/LICENSE-libjpeg-turbo.md"
cp "$jpeg/README.ijg" "$top/licenses/README-libjpeg-turbo-ijg.txt"
cp "$png/LICENSE" "$top/licenses/LICENSE-libpng.txt"
cp "$gif/COPYING" "$top/licenses/LICENSE-giflib.txt"
cp "$zlib/LICENSE" "$top/licenses/LICENSE-zlib.txt"
cp "$tiff/LICENSE.md" "$top/licenses/LICENSE-libtiff.md"
# libwebp's licence comes with a patent grant of its own.
cp "$webp/COPYING" "$top/licenses/LICENSE-libwebp.txt"
cp "$webp/PATENTS" "$top/licenses/PATENTS-libwebp.txt"

zip_path=$(pwd)/$build/pallidor-$version-win32.zip
rm -f "$zip_path"
(cd "$stage" && TZ=UTC zip -q -X -r "$zip_path" "pallidor-$version")
echo "$zip_path"
