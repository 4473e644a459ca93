#!/usr/bin/env bash
# Readies the Wine prefix in WINEPREFIX for the program's windows, on the display in DISPLAY:
#   scripts/prepare-gui-prefix.sh WINE_LOADER
# DISPLAY must be set before the first Wine call: the prefix's first process fixes the display
# for all that follow.
set -euo pipefail
wine=$1
export WINEDEBUG=-all

# The first start of a prefix takes seconds; a prefix kept from an earlier run starts at once.
WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1 || true
# The dialogs' font resolves to Tahoma, which has no Japanese; IPA P Gothic has both scripts
# and proportional Latin letters.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d IPAPGothic /f >/dev/null 2>&1
# Captions drawn by Wine itself, and no wait for a window manager on every closed window.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
