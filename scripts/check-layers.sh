#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The layers, from the
# bottom: platform, judge, image, settings, sort, the public API (api, whose header is
# include/pallidor/), then the two front ends gui and cli, which never include each other. res/ holds the Windows resources, which only the GUI includes.
#   scripts/check-layers.sh [SRC_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
src=${1:-src}

rank() {
  case $1 in
    platform) echo 0 ;; judge) echo 1 ;; image) echo 2 ;; settings) echo 3 ;; sort) echo 4 ;;
    api|pallidor) echo 5 ;; gui|cli) echo 6 ;; res) echo 7 ;; *) echo -1 ;;
  esac
}

status=0
while IFS= read -r line; do
  file=${line%%:*}
  rest=${line#*:}; rest=${rest#*:}
  target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$rest")
  from=${file#"$src"/}; from=${from%%/*}
  to=${target%%/*}
  [ "$to" = "$target" ] && continue  # a header of the same folder or a system header
  from_rank=$(rank "$from"); to_rank=$(rank "$to")
  if [ "$to_rank" -lt 0 ]; then continue; fi
  if [ "$from_rank" -lt 0 ]; then
    echo "check-layers: $file is in no known layer" >&2; status=1; continue
  fi
  if [ "$to" = res ] && [ "$from" != gui ]; then
    echo "check-layers: $file includes $target: only the GUI uses the resources" >&2; status=1
  elif [ "$to" != res ] && { [ "$to_rank" -gt "$from_rank" ] || { [ "$to_rank" -eq 6 ] && [ "$from" != "$to" ]; }; }; then
    echo "check-layers: $file includes $target, a layer above $from" >&2; status=1
  fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$src" --include='*.cpp' --include='*.h')
# The Python module is a caller like any other: it sees the public header and nothing below.
if [ "$src" = src ]; then
  while IFS= read -r line; do
    echo "check-layers: ${line%%:*} includes more than the public API: ${line#*:}" >&2; status=1
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' python --include='*.cpp' --include='*.h' |
           grep -vE '#[[:space:]]*include[[:space:]]*"pallidor/' || true)
fi
[ "$status" -eq 0 ] && echo "check-layers: every include of $src points down"
exit "$status"
