#!/usr/bin/env bash
# Scores `pallidor-cli judge` on the labelled corpus of real pictures (bench/corpus/README.md).
#
#   bench/score-corpus.sh [--cli PATH] [--corpus DIR] [--ini FILE] [--markdown] [--split] [--wrong]
#                         [--set TITLE:KEY=VALUE,KEY=VALUE ...] [KEY=VALUE ...]
#
# Fetches the corpus first when it is missing. Without --cli it uses build/pallidor-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=.cache/corpus/pictures
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  [ "${args[$i]}" = --corpus ] && corpus=${args[$((i + 1))]:-$corpus}
done
if [ ! -d "$corpus/monochrome" ]; then
  scripts/fetch-corpus.sh "$corpus" || [ $? -eq 1 ]
fi
exec python3 -B bench/corpus/score.py "$@"
