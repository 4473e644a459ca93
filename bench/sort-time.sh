#!/usr/bin/env bash
# The time of a sorting run over the benchmark corpus, for one program or two side by side (a
# build of an earlier commit, say), alternating round by round so that both meet the same
# machine:
#   bench/sort-time.sh [ROUNDS] CLI [CLI...]
# Each run sorts a fresh hard-linked copy of build/bench-corpus (pallidor-make-corpus makes
# it) into "monochrome" and "color" beside the files, with the default settings, a fresh home
# and its own log. Prints the median processor time (user + system) and wall time per program.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=$1; shift
[ "$#" -ge 1 ] || { echo "usage: bench/sort-time.sh ROUNDS CLI [CLI...]" >&2; exit 2; }
corpus=build/bench-corpus
[ -d "$corpus" ] || build/pallidor-make-corpus "$corpus" >/dev/null
work=$(mktemp -d "$PWD/build/sort-time.XXXXXX")
trap 'rm -rf "$work"' EXIT

declare -A cpu wall
for ((round = 1; round <= rounds; round++)); do
  for cli in "$@"; do
    rm -rf "$work/pics" "$work/home"
    cp -al "$corpus" "$work/pics"
    mkdir -p "$work/home"
    HOME=$work/home XDG_STATE_HOME=$work/home/state XDG_CONFIG_HOME=$work/home/config \
      /usr/bin/time -o "$work/time" -f '%U %S %e' "$cli" sort --yes "$work/pics" >/dev/null 2>&1 || true
    read -r user system elapsed <"$work/time"
    cpu[$cli]+="$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') "
    wall[$cli]+="$elapsed "
  done
done
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "sort of $(find "$corpus" -maxdepth 1 -type f | wc -l) files, median of $rounds rounds:"
for cli in "$@"; do
  printf '  %-50s processor %6.2f s   wall %6.2f s\n' "$cli" "$(echo "${cpu[$cli]}" | median)" "$(echo "${wall[$cli]}" | median)"
done
