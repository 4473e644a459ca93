#!/usr/bin/env bash
# The Debian package as a user gets it: scripts/test-package.sh [BUILD_DIR] (default build, a
# finished native build with its tests). Makes BUILD_DIR/pallidor-cli_<version>_<arch>.deb,
# checks it with lintian and by its contents, unpacks it into a temporary root and runs the
# program installed there under a temporary home: judge and sort work, the settings and the
# log appear in the per-user places, the program's folder stays untouched, the manual page
# renders, and the bash completion offers the commands and the settings keys. Then the same for
# BUILD_DIR/python3-pallidor_<version>_<arch>.deb: lintian, its contents, and the module
# imported from the unpacked root by Debian's python3, judging the demo's pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

fail() { echo "test-package: $*" >&2; exit 1; }

(cd "$build" && cpack >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/pallidor-cli_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "cpack made no $deb"
echo "test-package: $deb"

# Warnings are shown; an error fails.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found errors in $deb"

contents=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | LC_ALL=C sort)
expected='./usr/bin/pallidor-cli
./usr/share/bash-completion/completions/pallidor-cli
./usr/share/doc/pallidor-cli/changelog.gz
./usr/share/doc/pallidor-cli/copyright
./usr/share/man/man1/pallidor-cli.1.gz'
[ "$contents" = "$expected" ] || fail "the package holds
$contents
instead of
$expected"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libjpeg62-turbo libpng16-16 libgif7 libtiff6 libwebp7 libwebpdemux2 libc6; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg -x "$deb" "$root"
copyright=$root/usr/share/doc/pallidor-cli/copyright
for licence in 'MIT License' 'libjpeg-turbo' 'IJG' 'libpng' 'PNG Reference Library License' 'giflib' 'zlib License'; do
  grep -q "$licence" "$copyright" || fail "the copyright file does not name $licence"
done

home=$work/home
mkdir "$home"
cli=$root/usr/bin/pallidor-cli
# As a user with no XDG variables set: only a home.
run() { env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 "$cli" "$@"; }

[ "$(run --version)" = "pallidor-cli $version" ] || fail "--version: $(run --version)"

pics=$work/pics
"$build/pallidor-make-demo" "$pics" >/dev/null
judged=$(run judge "$pics/gray-photo.png" "$pics/colour-photo.png" | LC_ALL=C sort)
[ "$judged" = "color	$pics/colour-photo.png
monochrome	$pics/gray-photo.png" ] || fail "judge printed: $judged"

status=0
summary=$(run sort --yes "$pics" 2>"$work/sort.err") || status=$?
# The demo holds a damaged and an unsupported file, which stay where they are.
[ "$status" -eq 1 ] || fail "sort exited with $status: $summary"
[ -f "$pics/monochrome/gray-photo.png" ] && [ -f "$pics/color/colour-photo.png" ] ||
  fail "sort did not move the demo's pictures: $(cd "$pics" && find . | sort)"
settings=$(compgen -G "$home/.config/pallidor/*_pallidor.ini") || fail "no settings file in ~/.config/pallidor"
log=$(compgen -G "$home/.local/state/pallidor/logs/*.txt") || fail "no log in ~/.local/state/pallidor/logs"
grep -qxF "log: $log" <<<"$summary" || fail "the summary names another log: $summary"
grep -q 'monochrome/gray-photo.png' "$log" || fail "the log lacks the moved file: $(cat "$log")"
[ "$(ls -A "$root/usr/bin")" = pallidor-cli ] || fail "the program's folder was written to: $(ls -A "$root/usr/bin")"

# The settings command writes the file that the runs read, values brought into range.
[ "$(run settings THREAD_NUM=0 | grep '^THREAD_NUM=')" = THREAD_NUM=1 ] || fail "settings THREAD_NUM=0 did not store 1"
grep -qx 'THREAD_NUM=1' "$settings" || fail "settings did not save into $settings"

# XDG variables, where set, decide the places.
config=$work/config state=$work/state
env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$config" XDG_STATE_HOME="$state" LANG=C.UTF-8 \
  "$cli" sort --yes "$pics/monochrome" >/dev/null
compgen -G "$config/pallidor/*_pallidor.ini" >/dev/null || fail "no settings file in \$XDG_CONFIG_HOME/pallidor"
compgen -G "$state/pallidor/logs/*.txt" >/dev/null || fail "no log in \$XDG_STATE_HOME/pallidor/logs"

# The manual page renders without a complaint and has the help's sections.
page=$root/usr/share/man/man1/pallidor-cli.1.gz
rendered=$(MANWIDTH=80 man --warnings -l "$page" 2>"$work/man-warnings" | col -b)
[ ! -s "$work/man-warnings" ] || fail "man warns: $(cat "$work/man-warnings")"
for section in NAME SYNOPSIS COMMANDS OPTIONS FILES 'EXIT STATUS'; do
  grep -qx "$section" <<<"$rendered" || fail "the manual page has no $section section"
done

# The completion, as bash runs it on Tab: the commands, and the keys the program knows.
complete_words() {
  bash -c 'source /usr/share/bash-completion/bash_completion
           source "$1"; shift
           compopt() { :; }  # works only inside a completion that bash itself started
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
           _pallidor_cli pallidor-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
           printf "%s\n" "${COMPREPLY[@]}"' complete "$root/usr/share/bash-completion/completions/pallidor-cli" "$@"
}
[ "$(complete_words pallidor-cli s | LC_ALL=C sort | tr '\n' ' ')" = "settings sort " ] ||
  fail "completing 's' gives: $(complete_words pallidor-cli s)"
keys=$(run settings | sed -n 's/=.*//p' | tr '\n' ' ')
offered=$(complete_words pallidor-cli settings '' | sed 's/=$//' | tr '\n' ' ')
[ "$keys" = "$offered" ] || fail "the completion offers the keys $offered, the program has $keys"
# A folder after KEY=: bash replaces only what follows '=', so the reply is the folder alone.
mkdir -p "$home/out"
offered=$(HOME="$home" bash -c 'source /usr/share/bash-completion/bash_completion
  source "$1"; compopt() { :; }
  COMP_WORDS=(pallidor-cli settings DST_DIR_MONO = "~/ou"); COMP_CWORD=4
  COMP_LINE="pallidor-cli settings DST_DIR_MONO=~/ou"; COMP_POINT=${#COMP_LINE}
  _pallidor_cli pallidor-cli "~/ou" "="; printf "%s\n" "${COMPREPLY[@]}"' complete \
  "$root/usr/share/bash-completion/completions/pallidor-cli")
[ "$offered" = '~/out' ] || fail "completing DST_DIR_MONO=~/ou gives: $offered"
# After undo, the logs of past runs come first.
offered=$(PATH="$root/usr/bin:$PATH" HOME="$home" XDG_STATE_HOME='' complete_words pallidor-cli undo '' | head -1)
[ -n "$offered" ] && [ "$offered" = "$(run logs | head -1 | cut -f5)" ] || fail "completing undo gives: $offered"
echo "test-package: the installed program works"

pydeb=$build/python3-pallidor_${version}_$(dpkg --print-architecture).deb
[ -f "$pydeb" ] || fail "cpack made no $pydeb"
echo "test-package: $pydeb"
lintian --fail-on error --tag-display-limit 0 "$pydeb" || fail "lintian found errors in $pydeb"
suffix=$(/usr/bin/python3 -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')
contents=$(dpkg-deb --fsys-tarfile "$pydeb" | tar -t | grep -v '/$' | LC_ALL=C sort)
expected="./usr/lib/python3/dist-packages/pallidor/__init__.py
./usr/lib/python3/dist-packages/pallidor/_pallidor$suffix
./usr/lib/python3/dist-packages/pallidor/dask.py
./usr/share/doc/python3-pallidor/changelog.gz
./usr/share/doc/python3-pallidor/copyright"
[ "$contents" = "$expected" ] || fail "the package holds
$contents
instead of
$expected"
depends=$(dpkg-deb -f "$pydeb" Depends)
for library in python3 libjpeg62-turbo libpng16-16 libgif7 libtiff6 libwebp7; do
  grep -q "$library" <<<"$depends" || fail "Depends of python3-pallidor lacks $library: $depends"
done
pyroot=$work/pyroot
dpkg -x "$pydeb" "$pyroot"
"$build/pallidor-make-demo" "$work/pypics" >/dev/null
judged=$(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$home" PYTHONPATH="$pyroot/usr/lib/python3/dist-packages" \
  /usr/bin/python3 -c 'import pallidor, sys
for path in sys.argv[1:]: print(pallidor.judge(path).verdict, pallidor.__file__.startswith(sys.path[1]))' \
  "$work/pypics/gray-photo.png" "$work/pypics/colour-photo.png")
[ "$judged" = "monochrome True
color True" ] || fail "the packaged module judged: $judged"
echo "test-package: the installed module works"
