#!/usr/bin/env bash
# Runs the cross builds' Windows programs under Wine, as CTest's emulator and the scripts do:
#   scripts/wine-exec.sh PROGRAM.exe [ARGS...]  run a program in the Wine prefix of its folder
#   scripts/wine-exec.sh start DIR              make DIR/wineprefix and keep its server running
#   scripts/wine-exec.sh stop DIR               stop that server
#   scripts/wine-exec.sh can-run-i386           exit 0 when this host can run 32-bit programs
# WINEPREFIX, when set, names the prefix instead.
set -euo pipefail

export WINEDEBUG=-all
# Under any other locale Wine cannot open paths with Japanese characters and mangles them in
# arguments.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# No window may pop up on a machine without a display (crash dialogs, for one).
export DISPLAY=

wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64

# The Wine loader matching a program's machine type, read from its PE header.
loader_for() {
  local offset machine
  offset=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j $((offset + 4)) -N 2 "$1" | tr -d ' ')
  case "$machine" in
    8664) echo "$wine64" ;;
    *) echo "$wine32" ;;
  esac
}

# Some kernels are built or booted without 32-bit support; Wine's 32-bit loader cannot start
# there at all.
can_run_i386() { [ -x "$wine32" ] && "$wine32" --version >/dev/null 2>&1; }

server() { if [ -x /usr/lib/wine/wineserver64 ]; then echo /usr/lib/wine/wineserver64; else echo /usr/lib/wine/wineserver32; fi; }

case "${1:-}" in
  can-run-i386)
    can_run_i386
    ;;
  start)
    export WINEPREFIX=${WINEPREFIX:-$(cd "$2" && pwd)/wineprefix}
    # A server kept running by an earlier start would never end, and waiting for it below
    # would hang: stop it first, so that starting twice is harmless.
    "$(server)" -k 2>/dev/null || true
    # The first start of a prefix takes seconds; done once here, each test starts at once.
    if [ -x "$wine64" ]; then loader=$wine64; else loader=$wine32; fi
    WINEDLLOVERRIDES="mscoree,mshtml=" "$loader" wineboot -i >/dev/null 2>&1 || true
    # The server wineboot started may still be on its way out; a second one would refuse to
    # start. Without a persistent server the tests still run, each starting its own.
    "$(server)" -w || true
    "$(server)" -p || true
    # Start the prefix's services now, detached from any caller's output: a service started by
    # the first test would inherit CTest's pipe and keep it open, so CTest would wait for it.
    "$loader" wineboot </dev/null >/dev/null 2>&1 || true
    ;;
  stop)
    export WINEPREFIX=${WINEPREFIX:-$(cd "$2" && pwd)/wineprefix}
    "$(server)" -k 2>/dev/null || true
    ;;
  "")
    echo "usage: $0 PROGRAM.exe [ARGS...] | start DIR | stop DIR | can-run-i386" >&2
    exit 2
    ;;
  *)
    program=$1
    export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$program")" && pwd)/wineprefix}
    exec "$(loader_for "$program")" "$@"
    ;;
esac
