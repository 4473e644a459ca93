#!/usr/bin/env bash
# Installs what the report stage needs on top of scripts/setup.sh: Debian's Chromium, run
# headless, and a font with Japanese for the file names on its screenshots. Only what is missing.
set -euo pipefail

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

missing=()
for p in chromium fonts-ipafont-gothic python3; do installed "$p" || missing+=("$p"); done
[ "${#missing[@]}" -eq 0 ] && exit 0
echo "setup-report: installing ${missing[*]}" >&2
# Other jobs on the machine may hold the package lock for a while; wait instead of failing.
apt_get() { as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=1200 "$@"; }
apt_get update -qq >&2
apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
