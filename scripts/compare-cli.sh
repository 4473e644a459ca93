#!/usr/bin/env bash
# Runs the native pallidor-cli and the Windows one under Wine on the same files and settings
# and fails when their verdicts, error texts or exit statuses differ:
#   scripts/compare-cli.sh NATIVE_CLI WINDOWS_CLI_EXE MAKE_DEMO
# The files have Japanese, Korean and emoji names, and so have the settings' destinations.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(realpath "$1"); windows=$(realpath "$2"); make_demo=$(realpath "$3")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$make_demo" 写真 >/dev/null
cp 写真/gray-photo.png "写真/사진 🎨.png"
cp 写真/colour-scan.bmp "写真/絵😀.BMP"
mkdir "写真/폴더 📁"
cp 写真/gray-palette.gif "写真/폴더 📁/白黒.gif"
# A UTF-8 file with a byte-order mark reads the same on both sides.
printf '\xEF\xBB\xBF[SORT]\r\nTHREAD_NUM=3\r\nIS_SUBDIRS_TOO=%s\r\n[DESTINATION]\r\nIS_DST_SUBDIR=0\r\nDST_DIR_MONO=/写真/흑백 🖤\r\nDST_DIR_COLOR=/写真/컬러 🌈\r\n' 1 > "設定 ⚙.ini"
printf '\xEF\xBB\xBF[SORT]\r\nIS_SUBDIRS_TOO=%s\r\n' 0 > "設定 浅い.ini"

status=0
compare() {
  local name=$1; shift
  local a b
  set +e
  "$native" "$@" > native.out 2> native.err; a=$?
  "$root/scripts/wine-exec.sh" "$windows" "$@" > windows.out 2> windows.err; b=$?
  set -e
  # Windows spells the separators it adds as backslashes.
  LC_ALL=C sort native.out > native.sorted
  tr '\\' '/' < windows.out | LC_ALL=C sort > windows.sorted
  if [ "$a" != "$b" ] || ! cmp -s native.sorted windows.sorted; then
    echo "compare-cli: $name differs (exit $a natively, $b under Wine)" >&2
    diff native.sorted windows.sorted >&2 || true
    cat windows.err >&2
    status=1
  else
    echo "compare-cli: $name: same $(wc -l < native.sorted) lines, exit $a"
  fi
}

compare "folder tree" judge --settings "設定 ⚙.ini" 写真
compare "top folder only" judge --settings "設定 浅い.ini" 写真/
compare "single files" judge --settings "設定 ⚙.ini" "写真/사진 🎨.png" "写真/폴더 📁/白黒.gif" 写真/broken.png 写真/missing.jpg
compare "usage error" judge --settings "設定 ⚙.ini"
exit "$status"
