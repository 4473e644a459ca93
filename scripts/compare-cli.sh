#!/usr/bin/env bash
# Runs the native pallidor-cli and the Windows one under Wine on the same files and settings
# and fails when their verdicts, error texts or exit statuses differ, or when sorting runs on
# identical trees leave different trees or write different logs:
#   scripts/compare-cli.sh NATIVE_CLI WINDOWS_CLI_EXE MAKE_DEMO
# The files have Japanese, Korean and emoji names, and so have the settings' destinations.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(realpath "$1"); windows=$(realpath "$2"); make_demo=$(realpath "$3")
# Both sides in one language: the one scripts/wine-exec.sh gives the Windows side.
export LC_ALL=C.UTF-8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# The demo folder with files of Korean and emoji names besides its Japanese ones.
make_tree() {
  "$make_demo" "$1" >/dev/null
  cp "$1/gray-photo.png" "$1/사진 🎨.png"
  cp "$1/colour-scan.bmp" "$1/絵😀.BMP"
  mkdir "$1/폴더 📁"
  cp "$1/gray-palette.gif" "$1/폴더 📁/白黒.gif"
}
make_tree 写真
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

# Sorting runs. Each side sorts its own copy of the tree, made afresh at the same place, so
# that the paths in the two logs differ only in Wine's drive letter and the separators. The
# fixed destinations are absolute paths, spelled natively on each side.
windows_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }
# Settings for one side: FILE, then the two fixed destinations, or none to sort beside each file.
write_sort_settings() {
  {
    printf '\xEF\xBB\xBF[SORT]\r\nTHREAD_NUM=3\r\nIS_SUBDIRS_TOO=1\r\n[DESTINATION]\r\n'
    if [ "$#" -eq 1 ]; then
      printf 'IS_DST_SUBDIR=1\r\n'
    else
      printf 'IS_DST_SUBDIR=0\r\nDST_DIR_MONO=%s\r\nDST_DIR_COLOR=%s\r\n' "$2" "$3"
    fi
  } > "$1"
}
# The log without time stamps (of either language), with '/' for every separator and Wine's
# drive letter dropped, its lines sorted (workers finish in any order). A line whose time stamp
# is malformed keeps it and so shows as a difference.
normalise_log() {
  sed -e 's/^[0-9]\{4\}年[0-9]\{2\}月[0-9]\{2\}日[0-9]\{2\}時[0-9]\{2\}分[0-9]\{2\}秒[0-9]\{3\}ミリ秒//' \
      -e 's/^[0-9]\{4\}-[0-9]\{2\}-[0-9]\{2\} [0-9]\{2\}:[0-9]\{2\}:[0-9]\{2\}\.[0-9]\{3\} //' \
      -e 's/\r$//' -e 's|\\|/|g' -e 's|Z:/|/|g' "$1" | LC_ALL=C sort
}
# Standard error names the files left with their paths: the same separators on both sides.
normalise_paths() { sed -i -e 's|\\|/|g' -e 's|Z:/|/|g' "$1"; }
# One side's run: SIDE CLI... Leaves SIDE.tree, SIDE.out (the summary), SIDE.err, SIDE.log.
sort_side() {
  local side=$1; shift
  rm -rf run && mkdir run && make_tree run/写真
  mkdir "run/흑백 🖤" "run/컬러 🌈"
  local code=0
  "$@" sort --settings "$side.ini" --yes run/写真 > "$side.stdout" 2> "$side.err" || code=$?
  echo "exit $code" >> "$side.err"
  normalise_paths "$side.err"
  local log
  log=$(sed -n 's/^log: //p' "$side.stdout" | tr '\\' '/' | sed 's|^Z:||')
  if [ -n "$log" ] && [ -f "$log" ]; then
    normalise_log "$log" > "$side.log"
    rm -f "$log"
  else
    echo "no log: $(cat "$side.stdout")" > "$side.log"
  fi
  grep -v '^log: ' "$side.stdout" > "$side.out" || true
  rm -rf "$side.tree" && mv run "$side.tree"
}
compare_sort() {
  local name=$1 scheme=$2
  if [ "$scheme" = beside ]; then
    write_sort_settings native.ini
    write_sort_settings windows.ini
  else
    write_sort_settings native.ini "$work/run/흑백 🖤" "$work/run/컬러 🌈"
    write_sort_settings windows.ini "$(windows_path "$work/run/흑백 🖤")" "$(windows_path "$work/run/컬러 🌈")"
  fi
  sort_side native "$native"
  sort_side windows "$root/scripts/wine-exec.sh" "$windows"
  local differs=0
  for part in out err log; do
    cmp -s "native.$part" "windows.$part" || { diff "native.$part" "windows.$part" >&2 || true; differs=1; }
  done
  # The same files at the same relative places with the same bytes.
  diff -r native.tree windows.tree >&2 || differs=1
  # Nothing moved on both sides would compare equal too.
  grep -q '^moved to monochrome: [1-9]' native.out || { echo "compare-cli: $name moved nothing" >&2; differs=1; }
  if [ "$differs" = 1 ]; then
    echo "compare-cli: sorting $name differs" >&2
    status=1
  else
    echo "compare-cli: sorting $name: same tree of $(find native.tree -type f | wc -l) files, same $(wc -l < native.log) log lines, $(tail -n 1 native.err)"
  fi
}
compare_sort "beside each file" beside
compare_sort "into fixed folders" fixed
exit "$status"
