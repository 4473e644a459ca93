#!/usr/bin/env bash
# The main job. No arguments: judge a freshly made demo folder.
#   ./run.sh judge PATH...   judge the given files and folders
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh >&2
scripts/build.sh build >&2
cli=build/pallidor-cli

if [ "$#" -eq 0 ]; then
  demo=demo
  rm -rf "$demo"
  build/pallidor-make-demo "$demo" >&2
  echo "Judging $demo:" >&2
  exec "$cli" judge "$demo"
fi
exec "$cli" "$@"
