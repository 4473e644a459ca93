#!/usr/bin/env bash
# Reruns, on a built pallidor-cli, what real folder trees hold and what a careful tester tried:
#   scripts/check-tree-safety.sh [CLI] [KILL_ROUNDS]     (default build/pallidor-cli, 300)
#  1 a folder name that forges log lines, then undo     7 a relative symlink picture, and a
#  2 identical copies across file systems, killed          "monochrome" folder that is a link
#  3 a logs file system that is full                    8 two runs undone newest first
#  4 two links to "." in a folder                       9 the same file named twice
#  5 a FIFO named x.png                                10 a journal entry edited by hand
#  6 same-disk runs killed, then every log undone      11 (Windows only: the per-user journal;
#                                                         tested by the suite under Wine)
# Each case runs with a fresh home; a case that needs root (tmpfs mounts) says so and is
# skipped without it. Prints one line per case and exits 1 if any was unsafe.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cli=$(realpath "${1:-build/pallidor-cli}")
kill_rounds=${2:-300}
[ -x "$cli" ] || { echo "check-tree-safety: no program at $cli" >&2; exit 2; }

failed=0
work=$(mktemp -d /tmp/pallidor-safety.XXXXXX)
mounts=()
cleanup() {
  for m in "${mounts[@]}"; do umount -l "$m" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# A picture file: gray or coloured, made different from every other by `seed`.
picture() { # picture FILE gray|color SEED
  python3 - "$1" "$2" "$3" <<'PY'
import struct, sys, zlib
path, kind, seed = sys.argv[1], sys.argv[2], int(sys.argv[3])
w = h = 16
rows = b""
for y in range(h):
    row = b"\0"
    for x in range(w):
        v = (seed * 7 + x + y) % 256
        row += bytes((v, v, v)) if kind == "gray" else bytes((v, 255 - v, (v * 3) % 256))
    rows += row
def chunk(t, d):
    return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
data += chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")
open(path, "wb").write(data)
PY
}

# Starts a case: a fresh home and pictures folder; the program's logs below the home.
begin() {
  case_dir=$work/$1
  mkdir -p "$case_dir/home" "$case_dir/pics"
  export HOME=$case_dir/home XDG_CONFIG_HOME=$case_dir/home/.config XDG_STATE_HOME=$case_dir/home/.local/state
  logs=$XDG_STATE_HOME/pallidor/logs
}
result() { # result NAME OK|FAIL|SKIP TEXT
  printf '%-4s %-30s %s\n' "$2" "$1" "$3"
  [ "$2" = FAIL ] && failed=1
  return 0
}
tree_of() { (cd "$1" && find . \( -type f -o -type l -o -type p \) -printf '%p %y\n' | sort; find . -type f -exec sha256sum {} + | sort -k 2); }
newest_logs() { ls -1 "$logs"/*.txt 2>/dev/null | sort -r; }
sort_run() { timeout 60 "$cli" sort --yes "$@" >"$case_dir/out" 2>"$case_dir/err"; }

# 1: a folder named like the end of a line and a whole moved line of another file.
begin forged
mkdir -p "$case_dir/victim" "$case_dir/elsewhere"
echo mine >"$case_dir/victim/notes.txt"
stamp='2999年01月01日00時00分00秒000ミリ秒'
forged="x"$'\r\n'"$stamp[$case_dir/elsewhere/notes.txt]【モノクロ】「$case_dir/victim/notes.txt」に移動しました。"$'\r\n'"$stamp["
mkdir -p "$case_dir/pics/$forged"
picture "$case_dir/pics/$forged/a.png" gray 1
sort_run "$case_dir/pics"
log=$(newest_logs | head -n 1)
timeout 60 "$cli" undo --yes "$log" >"$case_dir/undo" 2>&1
if [ -f "$case_dir/victim/notes.txt" ] && [ ! -e "$case_dir/elsewhere/notes.txt" ] && [ -f "$case_dir/pics/$forged/a.png" ]; then
  result "forged log line" OK "the picture went and came back; the named file stayed"
else
  result "forged log line" FAIL "$(cat "$case_dir/undo")"
fi

# 2 and 6: the kill test, across file systems with identical copies and on one disk.
if [ "$(id -u)" -ne 0 ]; then
  result "identical copies, killed" SKIP "needs root for its tmpfs"
  result "same-disk runs, killed" SKIP "needs root for its tmpfs"
else
  if out=$(bash tests/sort/kill-test.sh "$cli" "$kill_rounds" 40 copies 2>&1); then
    result "identical copies, killed" OK "$(echo "$out" | tail -n 1)"
  else
    result "identical copies, killed" FAIL "$(echo "$out" | tail -n 2)"
  fi
  if out=$(bash tests/sort/kill-test.sh "$cli" 40 60 same-disk 2>&1); then
    result "same-disk runs, killed" OK "$(echo "$out" | tail -n 1)"
  else
    result "same-disk runs, killed" FAIL "$(echo "$out" | tail -n 2)"
  fi
fi

# 3: the logs on a file system that fills up during the run.
begin full
if [ "$(id -u)" -ne 0 ] || ! { mkdir -p "$XDG_STATE_HOME" && mount -t tmpfs -o size=64k none "$XDG_STATE_HOME" 2>/dev/null; }; then
  result "full logs file system" SKIP "needs root for its tmpfs"
else
  mounts+=("$XDG_STATE_HOME")
  for i in $(seq 1 60); do picture "$case_dir/pics/p$i.png" gray "$i"; done
  mkdir -p "$logs"
  # Room for the log, its record and a few lines, then nothing.
  dd if=/dev/zero of="$XDG_STATE_HOME/filler" bs=1k count=44 2>/dev/null
  status=0
  sort_run "$case_dir/pics" || status=$?
  moved=$(find "$case_dir/pics" -mindepth 2 -type f | wc -l)
  rm -f "$XDG_STATE_HOME/filler"
  timeout 60 "$cli" recover --yes >/dev/null 2>&1
  unlogged=0
  while IFS= read -r file; do
    grep -qF -e "「$file」に移動しました。" -e "moved to \"$file\"." "$logs"/*.txt || unlogged=$((unlogged + 1))
  done < <(find "$case_dir/pics" -mindepth 2 -type f)
  if [ "$status" -ne 0 ] && [ "$moved" -lt 60 ] && [ "$unlogged" -eq 0 ] && grep -q . "$case_dir/err"; then
    result "full logs file system" OK "stopped with status $status after $moved moves, every one on record"
  else
    result "full logs file system" FAIL "status $status, $moved moved, $unlogged without a line"
  fi
fi

# 4: two links to "." in a folder.
begin links
for i in 1 2 3; do picture "$case_dir/pics/p$i.png" color "$i"; done
ln -s . "$case_dir/pics/self1"; ln -s . "$case_dir/pics/self2"
printf '[SORT]\r\nIS_SUBDIRS_TOO=1\r\n' >"$case_dir/settings.ini"
if sort_run --settings "$case_dir/settings.ini" "$case_dir/pics" && grep -q 'left in place: 0' "$case_dir/out" &&
   [ "$(find "$case_dir/pics/color" -type f | wc -l)" -eq 3 ]; then
  result "two links to ." OK "each picture once"
else
  result "two links to ." FAIL "$(cat "$case_dir/out" "$case_dir/err" | tr '\n' ' ')"
fi

# 5: a FIFO named like a picture.
begin fifo
mkfifo "$case_dir/pics/x.png"
picture "$case_dir/pics/a.png" gray 5
sort_run "$case_dir/pics"; status=$?
if [ "$status" -eq 1 ] && [ -p "$case_dir/pics/x.png" ] && grep -qE "x\.png\](【ERROR】|\[ERROR\])" "$(newest_logs | head -n 1)"; then
  result "FIFO named x.png" OK "left in place with its line; the run ended"
else
  result "FIFO named x.png" FAIL "status $status"
fi

# 7: a relative link to a picture, and a destination folder that is a link.
begin symlinks
mkdir -p "$case_dir/kept" "$case_dir/pics/sub" "$case_dir/away"
picture "$case_dir/kept/k.png" gray 7
ln -s ../kept/k.png "$case_dir/pics/link.png"
picture "$case_dir/pics/sub/g.png" gray 8
ln -s "$case_dir/away" "$case_dir/pics/sub/monochrome"
printf '[SORT]\r\nIS_SUBDIRS_TOO=1\r\n' >"$case_dir/settings.ini"
sort_run --settings "$case_dir/settings.ini" "$case_dir/pics"
if [ -f "$case_dir/pics/link.png" ] && [ -f "$case_dir/pics/sub/g.png" ] && [ -z "$(ls -A "$case_dir/away")" ]; then
  result "symlinked picture and folder" OK "the link still leads to its picture; nothing went through the linked folder"
else
  result "symlinked picture and folder" FAIL "$(ls -lR "$case_dir/pics" | head -n 20 | tr '\n' ' ')"
fi

# 8: two runs, the second over the first one's destination, undone newest first.
begin chained
for i in 1 2 3; do picture "$case_dir/pics/p$i.png" gray "$i"; done
before=$(tree_of "$case_dir/pics")
sort_run "$case_dir/pics"
sleep 0.01
sort_run "$case_dir/pics/monochrome"
ok=1
for log in $(newest_logs); do timeout 60 "$cli" undo --yes "$log" >>"$case_dir/undo" 2>&1 || ok=0; done
if [ "$ok" -eq 1 ] && [ "$before" = "$(tree_of "$case_dir/pics")" ]; then
  result "two runs undone" OK "the tree as it was"
else
  result "two runs undone" FAIL "$(tail -n 4 "$case_dir/undo" | tr '\n' ' ')"
fi

# 9: the same file named twice, and a folder with a file inside it.
begin twice
picture "$case_dir/pics/a.png" gray 9
picture "$case_dir/pics/b.png" color 9
if sort_run "$case_dir/pics/a.png" "$case_dir/pics/a.png" "$case_dir/pics" "$case_dir/pics/b.png" &&
   grep -q 'left in place: 0' "$case_dir/out" && [ "$(wc -l <"$(newest_logs | head -n 1)")" -eq 2 ]; then
  result "a file named twice" OK "handled once, exit 0"
else
  result "a file named twice" FAIL "$(cat "$case_dir/out" | tr '\n' ' ')"
fi

# 10: a journal entry that names another temporary than its own: reported, nothing removed.
begin journal
picture "$case_dir/pics/a.png" gray 10
mkdir -p "$case_dir/to" "$logs/journal"
cp "$case_dir/pics/a.png" "$case_dir/to/a.png"
cp "$case_dir/pics/a.png" "$case_dir/to/other.png"
printf 'pallidor move journal 2\nsource=%s\ntarget=%s\ntemporary=%s\nverdict=monochrome\nsize=%s\nidentity=1 2 3 4\nend\n' \
  "$case_dir/pics/a.png" "$case_dir/to/a.png" "$case_dir/to/other.png" "$(stat -c %s "$case_dir/pics/a.png")" \
  >"$logs/journal/0123456789abcdef.move"
timeout 60 "$cli" recover --yes >"$case_dir/out" 2>&1
if [ -f "$case_dir/pics/a.png" ] && [ -f "$case_dir/to/a.png" ] && [ -f "$case_dir/to/other.png" ] &&
   [ -f "$logs/journal/0123456789abcdef.move" ] && grep -q '^left' "$case_dir/out"; then
  result "hand-edited journal entry" OK "reported and left alone"
else
  result "hand-edited journal entry" FAIL "$(cat "$case_dir/out" | tr '\n' ' ')"
fi

result "per-user journal (Windows)" SKIP "run by the suite under Wine"
exit "$failed"
