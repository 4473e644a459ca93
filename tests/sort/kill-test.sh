#!/usr/bin/env bash
# Kills sorting runs at random moments and checks that nothing is lost and nothing is left:
#   tests/sort/kill-test.sh CLI [ROUNDS [FILES [MODE]]]
# The pictures lie on a tmpfs mounted for the test (a memory card, say). MODE says where they go:
#   across     (default) fixed folders on the file system of the temporary folder, so every
#              move copies;
#   copies     the same, from 24 folders that each hold an identical "dup.bmp" besides the
#              others, with 16 threads: only one of each name can take the fixed place;
#   same-disk  the "monochrome" and "color" folders beside each picture, so every move is one
#              rename; after the checks below, every log is undone, newest first, and the
#              tree must be exactly as it was made.
# Each round makes fresh pictures, starts `CLI sort`, kills it with SIGKILL after a random
# delay, and then sorts the same folder again with a normal run. Afterwards every picture
# exists exactly once (by content hash, counting identical copies), no temporary copy and no
# move journal entry is left, and every moved picture has its moved line in the killed run's
# log or in the second run's.
# CLI may be a Windows build (pallidor-cli.exe): it then runs under Wine with the tmpfs mapped
# to a drive letter of its own, so that the Windows move is what gets tested.
# Exit status 77 (CTest's skip) where no tmpfs can be mounted.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=$1
rounds=${2:-12}
files=${3:-100}
mode=${4:-across}
case "$mode" in across|copies|same-disk) ;; *) echo "kill-test: no mode '$mode'" >&2; exit 2 ;; esac

wine=0
case "$cli" in *.exe) wine=1 ;; esac

if [ "$(id -u)" -ne 0 ]; then
  echo "kill-test: skipped: mounting a tmpfs needs root" >&2
  exit 77
fi
tmp=$(mktemp -d /tmp/pallidor-kill.XXXXXX)
card=$tmp/card
mkdir -p "$card"
if ! mount -t tmpfs -o size=256m none "$card" 2>/dev/null; then
  rmdir "$card"
  rm -rf "$tmp"
  echo "kill-test: skipped: no tmpfs can be mounted here" >&2
  exit 77
fi

drive=
cleanup() {
  [ -n "$drive" ] && rm -f "$WINEPREFIX/dosdevices/$drive"
  umount -l "$card" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# The program is copied into the test's folder, so that its logs (beside it, or below
# XDG_STATE_HOME) and its move journal are the test's own.
mkdir -p "$tmp/bin" "$tmp/state" "$tmp/sorted/mono" "$tmp/sorted/color"
cp "$cli" "$tmp/bin/"
program=$tmp/bin/$(basename "$cli")
export XDG_STATE_HOME=$tmp/state

if [ "$wine" -eq 1 ]; then
  export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$cli")" && pwd)/wineprefix}
  [ -d "$WINEPREFIX/dosdevices" ] || { echo "kill-test: no Wine prefix at $WINEPREFIX" >&2; exit 1; }
  for letter in x y w v u; do
    if [ ! -e "$WINEPREFIX/dosdevices/$letter:" ] && [ ! -L "$WINEPREFIX/dosdevices/$letter:" ]; then
      drive=$letter:
      break
    fi
  done
  [ -n "$drive" ] || { echo "kill-test: no free drive letter in $WINEPREFIX" >&2; exit 1; }
  ln -s "$card" "$WINEPREFIX/dosdevices/$drive"
  # What the program sees: the card as its own drive, the rest of the machine under Z:.
  win_path() { printf 'Z:%s' "${1//\//\\}"; }
  card_path() { local rest=${1#"$card"}; printf '%s%s' "${drive^^}" "${rest//\//\\}"; }
  # exec all the way down, so that the process a background call leaves in $! is the program.
  run_cli() { exec "$here/../../scripts/wine-exec.sh" "$program" "$@"; }
else
  win_path() { printf '%s' "$1"; }
  card_path() { printf '%s' "$1"; }
  run_cli() { exec "$program" "$@"; }
fi

settings=$tmp/settings.ini
threads=4
[ "$mode" = copies ] && threads=16
subdir=0
[ "$mode" = same-disk ] && subdir=1
printf '[SORT]\r\nTHREAD_NUM=%s\r\nIS_SUBDIRS_TOO=1\r\n[DESTINATION]\r\nIS_DST_SUBDIR=%s\r\nDST_DIR_MONO=%s\r\nDST_DIR_COLOR=%s\r\n' \
  "$threads" "$subdir" "$(win_path "$tmp/sorted/mono")" "$(win_path "$tmp/sorted/color")" >"$settings"

# 24-bit bitmaps of 256 x 256 pixels (192 KiB each, several copy blocks), gray or coloured,
# each made different from all others by its number in its first pixels.
le32() { printf '%b' "$(printf '\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)))"; }
pixels=$((256 * 256 * 3))
{ printf 'BM'; le32 $((54 + pixels)); le32 0; le32 54; le32 40; le32 256; le32 256
  printf '\x01\x00\x18\x00'; le32 0; le32 "$pixels"; le32 2835; le32 2835; le32 0; le32 0; } >"$tmp/header"
head -c $((pixels - 8)) /dev/zero | tr '\0' '\200' >"$tmp/gray"
# (yes and tr end on a broken pipe once head has enough, which is no failure.)
(set +o pipefail; yes 'AAzzz~~~' | tr -d '\n' | head -c $((pixels - 8)) >"$tmp/color")

make_pictures() {
  mkdir -p "$card/pics/sub"
  local i folder
  for ((i = 0; i < files; i++)); do
    folder=$card/pics
    [ $((i % 3)) -eq 0 ] && folder=$card/pics/sub
    if [ $((i % 2)) -eq 0 ]; then
      { cat "$tmp/header"; printf '%08d' "$i"; cat "$tmp/gray"; } >"$folder/写真$i.bmp"
    else
      { cat "$tmp/header"; printf '%08d' "$i"; cat "$tmp/color"; } >"$folder/絵$i.bmp"
    fi
  done
  if [ "$mode" = copies ]; then
    for ((i = 0; i < 24; i++)); do
      mkdir -p "$card/pics/copy$i"
      { cat "$tmp/header"; printf '%08d' 99999999; cat "$tmp/gray"; } >"$card/pics/copy$i/dup.bmp"
    done
  fi
}
# Where a moved picture is now: the fixed folders, or the sub-folders beside the pictures.
moved_pictures() {
  if [ "$mode" = same-disk ]; then
    find "$card/pics" -type f \( -path '*/monochrome/*' -o -path '*/color/*' \) -print0
  else
    find "$tmp/sorted" -type f -print0
  fi
}
# Every picture's path below the card and its hash: what "the same tree" means.
tree() { (cd "$card" && find . -type f -exec sha256sum {} + | sort -k 2); }

hashes() { find "$@" -type f -exec sha256sum {} + | awk '{ print $1 }' | sort; }
logs() { find "$tmp/bin" "$tmp/state" -name '*.txt' -path '*logs*' 2>/dev/null | sort; }
journal_entries() { find "$tmp/bin" "$tmp/state" -path '*journal*' -type f 2>/dev/null; }

fail() { echo "kill-test: round $round: $*" >&2; exit 1; }

# One undisturbed run tells how long a run takes, so the kills land anywhere within one.
round=0
make_pictures
start=$(date +%s%N)
status=0
(run_cli sort --settings "$(win_path "$settings")" --no "$(card_path "$card/pics")" >/dev/null 2>&1) || status=$?
# Identical names for one fixed place: all but one stay, which is exit status 1.
[ "$status" -eq 0 ] || { [ "$mode" = copies ] && [ "$status" -eq 1 ]; } || fail "an undisturbed run failed"
full_ms=$((($(date +%s%N) - start) / 1000000))
[ "$(moved_pictures | head -c 1 | wc -c)" -eq 1 ] || fail "an undisturbed run moved nothing"
rm -rf "$card/pics" "$tmp/sorted/mono/"* "$tmp/sorted/color/"*
echo "kill-test: an undisturbed run of $files pictures takes $full_ms ms; $rounds rounds follow"

interrupted=0
for ((round = 1; round <= rounds; round++)); do
  make_pictures
  hashes "$card/pics" >"$tmp/before"
  tree >"$tmp/tree-before"
  logs >"$tmp/logs-before"

  delay_ms=$((RANDOM % (full_ms + 1)))
  (run_cli sort --settings "$(win_path "$settings")" --no "$(card_path "$card/pics")" >/dev/null 2>&1) &
  pid=$!
  sleep "$((delay_ms / 1000)).$(printf '%03d' $((delay_ms % 1000)))"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  logs >"$tmp/logs-killed"
  killed_logs=$(comm -13 "$tmp/logs-before" "$tmp/logs-killed")
  pending=$(journal_entries | wc -l)
  [ "$pending" -gt 0 ] && interrupted=$((interrupted + 1))

  status=0
  (run_cli sort --settings "$(win_path "$settings")" --no "$(card_path "$card/pics")" >"$tmp/out" 2>&1) || status=$?
  [ "$status" -le 1 ] || fail "the run after the kill did not start: $(cat "$tmp/out")"
  second_log=$(comm -13 "$tmp/logs-killed" <(logs))
  [ -n "$second_log" ] || fail "the run after the kill wrote no log"

  hashes "$card/pics" "$tmp/sorted" >"$tmp/after"
  cmp -s "$tmp/before" "$tmp/after" ||
    fail "pictures lost or doubled (killed after $delay_ms ms): $(diff "$tmp/before" "$tmp/after" | grep -c '^[<>]') differences"
  left=$(find "$card" "$tmp/sorted" -name '.pallidor-move-*')
  [ -z "$left" ] || fail "temporary copies left behind: $left"
  [ "$(journal_entries | wc -l)" -eq 0 ] || fail "move journal entries left behind: $(journal_entries)"
  while IFS= read -r -d '' moved; do
    # What the program calls the place: the card's own drive under Wine for a move on it. The
    # moved line in either language of the console.
    case "$moved" in "$card"/*) target=$(card_path "$moved") ;; *) target=$(win_path "$moved") ;; esac
    # shellcheck disable=SC2086
    if ! grep -qF -e "「$target」に移動しました。" -e "moved to \"$target\"." $killed_logs "$second_log" /dev/null; then
      fail "no log records the move to $moved"
    fi
  done < <(moved_pictures)

  if [ "$mode" = same-disk ]; then
    # Both runs undone, the newest first: the tree as it was made, and no folder of theirs.
    for log in $second_log $(echo "$killed_logs" | sort -r); do
      (run_cli undo --yes "$(win_path "$log")" >"$tmp/out" 2>&1) || fail "undo of $log: $(tail -n 5 "$tmp/out")"
    done
    tree >"$tmp/tree-after"
    cmp -s "$tmp/tree-before" "$tmp/tree-after" ||
      fail "undo did not restore the tree (killed after $delay_ms ms): $(diff "$tmp/tree-before" "$tmp/tree-after" | head -n 6)"
    [ -z "$(find "$card/pics" -type d \( -name monochrome -o -name color \))" ] || fail "undo left sorting folders"
  fi

  rm -rf "$card/pics" "$tmp/sorted/mono/"* "$tmp/sorted/color/"*
done
echo "kill-test: $rounds rounds passed; $interrupted of them were killed in the middle of a journaled move"
