#!/usr/bin/env bash
# The main job. No arguments: a sorting run on a freshly made demo folder, then the folder's
# tree and the run's log are printed. With arguments:
#   ./run.sh sort PATH...    sort the given files and folders
#   ./run.sh judge PATH...   judge them without moving anything
#   ./run.sh gui             start pallidor.exe under Wine on the display in DISPLAY
set -euo pipefail
cd "$(dirname "$0")"

# ./run.sh gui: pallidor.exe under Wine on the user's display.
if [ "${1:-}" = gui ]; then
  [ -n "${DISPLAY:-}" ] || { echo "run.sh gui: no display (DISPLAY is not set)" >&2; exit 2; }
  scripts/setup.sh >&2
  scripts/setup-win32.sh >/dev/null
  scripts/setup-gui.sh
  dir=build-win32 arch=i686 wine=/usr/lib/wine/wine
  # A kernel without 32-bit support runs the same program built for x86_64.
  if ! scripts/wine-exec.sh can-run-i386; then dir=build-win64 arch=x86_64 wine=/usr/lib/wine/wine64; fi
  scripts/build-win32.sh "$dir" "$arch" >&2
  export WINEPREFIX=$PWD/$dir/gui-wineprefix WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
  scripts/prepare-gui-prefix.sh "$wine"
  exec "$wine" "$dir/pallidor.exe"
fi
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
  summary=$("$cli" sort --yes "$demo") || [ "$?" -eq 1 ]
  echo "$summary"
  echo
  echo "== the demo folder afterwards"
  (cd "$demo" && find . -mindepth 1 | LC_ALL=C sort | sed 's|^\./||')
  # The summary names the log, wherever the per-user places are.
  log=$(sed -n 's/^log: //p' <<<"$summary")
  if [ -n "$log" ] && [ "$log" != none ]; then
    echo
    echo "== $log"
    tr -d '\r' < "$log"
  fi
  exit 0
fi
exec "$cli" "$@"
