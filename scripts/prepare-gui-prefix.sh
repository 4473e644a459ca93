#!/usr/bin/env bash
# Readies the Wine prefix in WINEPREFIX for the program's windows, on the display in DISPLAY:
#   scripts/prepare-gui-prefix.sh WINE_LOADER [DPI]
# DPI (default 96) is the display's resolution as the programs started next see it; 144 is a
# display at 150 %. DISPLAY must be set before the first Wine call: the prefix's first process
# fixes the display for all that follow.
set -euo pipefail
wine=$1
dpi=${2:-96}
export WINEDEBUG=-all

# The first start of a prefix takes seconds; a prefix kept from an earlier run starts at once.
WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1 || true
# The dialogs' font resolves to Tahoma, which has no Japanese; IPA P Gothic has both scripts
# and proportional Latin letters.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d IPAPGothic /f >/dev/null 2>&1
# Captions drawn by Wine itself, and no wait for a window manager on every closed window.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Each process reads the resolution when it starts, so this holds for the programs started
# after it while the prefix's server keeps running.
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
