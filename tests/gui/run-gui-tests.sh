#!/usr/bin/env bash
# Runs the GUI tests of one Windows build under Wine on a virtual display:
#   tests/gui/run-gui-tests.sh BUILD_DIR [TEST ARGUMENTS...]
# Starts Xvfb, prepares a Wine prefix of its own (a CJK font in place of Tahoma, windows drawn
# without a window manager), runs BUILD_DIR/pallidor_gui_tests.exe once at 96 DPI and once at
# 144 DPI (a display at 150 %; PALLIDOR_GUI_DPIS="96" runs one) and converts its screenshots to
# PNG in BUILD_DIR/screenshots, those of 144 DPI named ...-144dpi.png.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "$1" && pwd); shift

export WINEDEBUG=-all
# Under any other locale Wine cannot open paths with Japanese characters.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# A prefix apart from the one CTest uses: that one's server runs without a display.
export WINEPREFIX=$build/gui-wineprefix

exe=$build/pallidor_gui_tests.exe
# The loader matching the program's machine type, read from its PE header.
offset=$(od -An -tu4 -j 60 -N 4 "$exe" | tr -d ' ')
machine=$(od -An -tx2 -j $((offset + 4)) -N 2 "$exe" | tr -d ' ')
if [ "$machine" = 8664 ]; then wine=/usr/lib/wine/wine64; else wine=/usr/lib/wine/wine; fi
if [ -x /usr/lib/wine/wineserver64 ]; then server=/usr/lib/wine/wineserver64; else server=/usr/lib/wine/wineserver32; fi

# Xvfb picks a free display number and writes it to the descriptor it is given.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
cleanup() {
  "$server" -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -f "$display_file"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
[ -s "$display_file" ] || { echo "run-gui-tests: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$display_file")

rm -rf "$build/screenshots"
status=0
for dpi in ${PALLIDOR_GUI_DPIS:-96 144}; do
  scripts/prepare-gui-prefix.sh "$wine" "$dpi"
  echo "run-gui-tests: at $dpi DPI" >&2
  PALLIDOR_GUI_DPI=$dpi "$wine" "$exe" "$@" || status=$?
done

if compgen -G "$build/screenshots/*.bmp" >/dev/null; then
  tests/gui/bmp-to-png.py "$build"/screenshots/*.bmp && rm -f "$build"/screenshots/*.bmp
fi
exit "$status"
