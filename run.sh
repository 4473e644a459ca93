#!/usr/bin/env bash
# The main job. No arguments: a sorting run on a freshly made demo folder, then the folder's
# tree and the run's log are printed. With arguments:
#   ./run.sh sort PATH...    sort the given files and folders
#   ./run.sh judge PATH...   judge them without moving anything
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh >&2
scripts/build.sh build >&2
cli=build/pallidor-cli

if [ "$#" -eq 0 ]; then
  demo=$PWD/demo
  rm -rf "$demo"
  build/pallidor-make-demo "$demo" >&2
  echo "== sorting $demo" >&2
  # The demo holds a damaged and an unsupported file on purpose: they stay where they are,
  # so status 1 is what a good demo run returns.
  "$cli" sort --yes "$demo" || [ "$?" -eq 1 ]
  echo
  echo "== the demo folder afterwards"
  (cd "$demo" && find . -mindepth 1 | LC_ALL=C sort | sed 's|^\./||')
  log=$(ls -t build/logs/*.txt 2>/dev/null | head -n 1 || true)
  if [ -n "$log" ]; then
    echo
    echo "== $log"
    tr -d '\r' < "$log"
  fi
  exit 0
fi
exec "$cli" "$@"
