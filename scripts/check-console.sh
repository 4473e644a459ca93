#!/usr/bin/env bash
# Checks the built console tool and its manual page the way a new user meets them: the
# language of the locale, the codes of JSON errors, every settings key in the manual page, the
# reason for a file left in a folder the user cannot write, sort --dry-run, undo --last, an
# empty list on standard input, the warnings of settings, the progress on a terminal and the
# same output in the same order from run to run.
#   scripts/check-console.sh [BUILD_DIR]    (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
cli=$build/pallidor-cli
page=$build/pallidor-cli.1
for f in "$cli" "$page" "$build/pallidor-make-demo"; do
  [ -e "$f" ] || { echo "check-console: $f is missing; build first (scripts/build.sh build)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
failures=0
fail() { echo "check-console: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "check-console: ok: $*"; }

# A home of its own, so that nothing of the user's is read or written. As root the folder
# that may not be written would be written all the same: the tool then runs as nobody.
home=$work/home
mkdir -p "$home"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
  chown 65534:65534 "$home"
fi
run() { env -i PATH=/usr/bin:/bin HOME="$home" "$@"; }
cli_as() { local locale=$1; shift; run LANG="$locale" "${as_user[@]}" "$cli" "$@"; }
fresh_pictures() {
  rm -rf "$work/pics"
  "$build/pallidor-make-demo" "$work/pics" >/dev/null
  [ "$(id -u)" -eq 0 ] && chown -R 65534:65534 "$work/pics"
  true
}

# 1. The language of the locale.
fresh_pictures
for locale in en_US.UTF-8 C.UTF-8; do
  err=$(cli_as "$locale" judge "$work/pics/notes.txt" 2>&1 || true)
  grep -q 'unsupported file format' <<<"$err" && ! grep -qP '[\x{3000}-\x{9fff}]' <<<"$err" ||
    fail "English under $locale: $err"
done
err=$(cli_as ja_JP.UTF-8 judge "$work/pics/notes.txt" 2>&1 || true)
grep -q '非対応のファイル形式です' <<<"$err" || fail "Japanese under ja_JP.UTF-8: $err"
out=$(run LANG=C.UTF-8 LC_ALL=ja_JP.UTF-8 "${as_user[@]}" "$cli" sort --no "$work/pics/notes.txt" 2>&1 || true)
grep -q '移動せず' <<<"$out" || fail "LC_ALL before LANG: $out"
pass "English under en_US.UTF-8 and C.UTF-8, Japanese under ja_JP.UTF-8"

# 2. A code in JSON errors.
out=$(cli_as C.UTF-8 judge --json "$work/pics/notes.txt" "$work/pics/broken.png" "$work/gone" 2>/dev/null || true)
for code in unsupported decode-failed not-found; do
  grep -q "\"code\":\"$code\"" <<<"$out" || fail "no code $code in: $out"
done
pass "JSON errors carry a code"

# 3. Every key that settings prints is in the manual page, and so is every code.
# The page's source with roff's escaped hyphens as plain ones.
rendered=$(sed 's/\\-/-/g' "$page")
keys=$(cli_as C.UTF-8 settings | sed -n 's/^\([A-Z_]*\)=.*/\1/p')
[ -n "$keys" ] || fail "settings printed no key"
for key in $keys; do grep -q "$key" <<<"$rendered" || fail "the manual page lacks $key"; done
for code in not-found unsupported wrong-extension decode-failed too-large name-taken permission-denied \
            no-space interrupted; do
  grep -q -- "$code" <<<"$rendered" || fail "the manual page lacks the code $code"
done
pass "every settings key and every error code is in the manual page"

# 4. A folder the user cannot write: the file is named with "permission denied".
fresh_pictures
mkdir -p "$work/locked"
cp "$work/pics/gray-photo.png" "$work/locked/"
chmod 555 "$work/locked"
[ "$(id -u)" -eq 0 ] && chown root:root "$work/locked"
err=$(cli_as C.UTF-8 sort --yes "$work/locked" 2>&1 >/dev/null || true)
grep -q "$work/locked/gray-photo.png.*permission denied" <<<"$err" ||
  fail "a folder that cannot be written: $err"
pass "a file left in a folder the user cannot write is named with 'permission denied'"

# 5. sort --dry-run moves nothing and writes no log.
fresh_pictures
before=$(cd "$work/pics" && find . | LC_ALL=C sort)
logs_before=$(find "$home" -name '*.txt' | wc -l)
out=$(cli_as C.UTF-8 sort --dry-run "$work/pics" 2>/dev/null || true)
after=$(cd "$work/pics" && find . | LC_ALL=C sort)
grep -q "monochrome	$work/pics/gray-photo.png	$work/pics/monochrome/gray-photo.png" <<<"$out" ||
  fail "sort --dry-run does not say where a file would go: $out"
[ "$before" = "$after" ] || fail "sort --dry-run changed the folder"
[ "$logs_before" = "$(find "$home" -name '*.txt' | wc -l)" ] || fail "sort --dry-run wrote a log"
pass "sort --dry-run moves nothing"

# 6. undo --last brings a run back.
cli_as C.UTF-8 sort --yes "$work/pics" >/dev/null 2>&1 || true
[ -e "$work/pics/monochrome/gray-photo.png" ] || fail "sort did not move gray-photo.png"
cli_as C.UTF-8 undo --last --yes >/dev/null 2>&1 || fail "undo --last failed"
[ "$before" = "$(cd "$work/pics" && find . | LC_ALL=C sort)" ] || fail "undo --last did not bring the run back"
logs=$(cli_as C.UTF-8 logs)
[ "$(wc -l <<<"$logs")" -ge 2 ] || fail "logs lists: $logs"
pass "undo --last brings a run back; logs lists the runs"

# 7. An empty list on standard input is nothing to do.
cli_as C.UTF-8 judge - </dev/null >/dev/null 2>&1 || fail "judge - with an empty list exits $?"
pass "an empty list on standard input exits 0"

# 8. settings warns about values it stores otherwise.
settings_file=$work/settings.ini
[ "$(id -u)" -eq 0 ] && chmod 777 "$work"
err=$(cli_as C.UTF-8 settings --settings "$settings_file" IS_PERCEPTUAL_JUDGE=7 THRESHOLD_PERCEPTUAL=1e3 2>&1 >/dev/null)
grep -q 'IS_PERCEPTUAL_JUDGE=7' <<<"$err" || fail "no warning about IS_PERCEPTUAL_JUDGE=7: $err"
grep -q 'THRESHOLD_PERCEPTUAL=1e3' <<<"$err" || fail "no warning about THRESHOLD_PERCEPTUAL=1e3: $err"
pass "IS_PERCEPTUAL_JUDGE=7 and THRESHOLD_PERCEPTUAL=1e3 are warned about"

# 9. judge shows its progress on a terminal, and nothing when piped.
shown=$(run LANG=C.UTF-8 "${as_user[@]}" script -qec "$cli judge $work/pics" /dev/null 2>&1 || true)
grep -q 'files, .*/s, .* left' <<<"$shown" || fail "no progress on a terminal: $shown"
piped=$(cli_as C.UTF-8 judge "$work/pics" 2>&1 >/dev/null || true)
grep -q '/s,' <<<"$piped" && fail "progress when piped: $piped"
pass "judge shows progress on a pseudo-terminal only"

# 10. Two runs print the same lines in the same order.
first=$(cli_as C.UTF-8 judge --json "$work/pics" 2>/dev/null || true)
second=$(cli_as C.UTF-8 judge --json "$work/pics" 2>/dev/null || true)
[ -n "$first" ] && [ "$first" = "$second" ] || fail "two runs of judge differ"
pass "two runs of judge print the same lines in the same order"

if [ "$failures" -gt 0 ]; then
  echo "check-console: $failures check(s) failed" >&2
  exit 1
fi
echo "check-console: all checks passed"
