#!/usr/bin/env bash
# Checks the report page of a folder of pictures in a real browser (headless Chromium), as a
# user would meet it:
#   - `judge --report` gives one item per file, each with the verdict `judge --json` gives;
#   - every colour verdict of the perceptual criterion has a drawn region (data-region);
#   - nothing on the page refers to anything outside it (no http:, https: or // address);
#   - the filter (page#filter=color, and so on) hides the other grids;
#   - the page's screenshot is not blank (kept as OUT_DIR/report.png);
#   - `sort --report` on a copy of the folder gives one item per file too.
#
#   scripts/check-report.sh [--cli PATH] [--settings FILE] [--out DIR] FOLDER
#
# Without --cli it uses build/pallidor-cli; without --out the results go to build/report-check.
# Exit status 0 when every check passed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$root/build/pallidor-cli
out=$root/build/report-check
settings=()
while [ $# -gt 1 ]; do
  case $1 in
    --cli) cli=$(realpath "$2"); shift 2 ;;
    --settings) settings=(--settings "$(realpath "$2")"); shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: scripts/check-report.sh [--cli PATH] [--settings FILE] [--out DIR] FOLDER" >&2; exit 2; }
folder=$(realpath "$1")
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "check-report: no chromium on PATH (scripts/setup-report.sh installs it)" >&2; exit 2; }

mkdir -p "$out"
out=$(realpath "$out")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The console's own places (settings, logs, journal) stay inside this check.
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state HOME=$work/home
mkdir -p "$HOME"

fail=0
check() { # check NAME COMMAND...: runs the command, prints its verdict
  if "$@"; then echo "check-report: ok: $name"; else echo "check-report: FAILED: $name" >&2; fail=1; fi
}

# Chromium run as root needs --no-sandbox; it has no display and needs none headless.
run_browser() {
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu --no-first-run --hide-scrollbars \
    --user-data-dir="$work/browser" "$@" 2>>"$work/browser.log"
}

"$cli" judge "${settings[@]}" --json --explain "$folder" >"$work/judge.jsonl" || [ $? -eq 1 ]
"$cli" judge "${settings[@]}" --report "$out/report.html" "$folder" >/dev/null || [ $? -eq 1 ]
run_browser --dump-dom "file://$out/report.html" >"$work/dom.html"
run_browser --virtual-time-budget=3000 --dump-dom "file://$out/report.html#filter=color" >"$work/dom-color.html"
run_browser --virtual-time-budget=3000 --dump-dom "file://$out/report.html#filter=error" >"$work/dom-error.html"
run_browser --virtual-time-budget=5000 --window-size=1280,1600 --screenshot="$out/report.png" \
  "file://$out/report.html" >/dev/null

cp -a "$folder" "$work/sorted"
"$cli" sort "${settings[@]}" --yes --json --report "$out/sort-report.html" "$work/sorted" \
  >"$work/sort.jsonl" 2>/dev/null || [ $? -eq 1 ]
run_browser --dump-dom "file://$out/sort-report.html" >"$work/sort-dom.html"

name="the page, its grids, the filter, the screenshot and sort's page agree with judge"
check python3 -B "$root/scripts/check-report.py" "$work" "$out/report.png"
[ "$fail" -eq 0 ] && echo "check-report: all checks passed ($out/report.html, $out/report.png)"
exit "$fail"
