#!/usr/bin/env bash
# Converts the pictures of FOLDER (PNG, JPEG, GIF, BMP) losslessly into TIFF (uncompressed,
# LZW, Deflate, PackBits, 16-bit, and 1-bit G4 from a thresholded copy) and lossless WebP, and
# lossily into WebP, then judges originals and copies with the console tool under the default
# settings and the perceptual criterion:
#   scripts/check-formats.sh FOLDER [NATIVE_CLI]        (default build/pallidor-cli)
# It fails when a lossless copy is judged otherwise than its original, when more than one
# lossy WebP in thirty is, when a two-page TIFF whose second page is colour is not colour, or
# when build-win32/pallidor-cli.exe exists and, under Wine, judges a copy otherwise than the
# native program does. Pictures with transparency are left out: the converters drop it. A
# JPEG's copies hold the converter's decoding of it, which may differ a little from ours; they
# are held against a PNG of those same pixels, and the JPEGs themselves are only counted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] || { echo "usage: scripts/check-formats.sh FOLDER [NATIVE_CLI]" >&2; exit 2; }
folder=$(realpath "$1")
cli=$(realpath "${2:-$root/build/pallidor-cli}")
windows=$root/build-win32/pallidor-cli.exe

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
missing=()
for p in netpbm webp libtiff-tools; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=1200 install -y -qq "${missing[@]}" >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
"$cli" settings --settings "$work/perceptual.ini" IS_PERCEPTUAL_JUDGE=1 >/dev/null
touch "$work/defaults.ini"

files=$work/files
mkdir "$files"
# One line per file: VERDICT<TAB>NAME, where NAME is the path below $files.
judge() {
  local settings=$1; shift
  (cd "$files" && "$cli" judge --settings "$work/$settings" "$@" || true) | cut -f 1,2 | LC_ALL=C sort
}

n=0
while IFS= read -r -d '' picture; do
  case "${picture,,}" in *.png|*.jpg|*.jpeg|*.gif|*.bmp) ;; *) continue ;; esac
  case "${picture,,}" in
    *.png) pngtopam -alphapam "$picture" 2>/dev/null | head -c 200 | grep -aq '_ALPHA' && continue ;;
  esac
  anytopnm "$picture" > "$work/p.pnm" 2>/dev/null && pamfile "$work/p.pnm" >/dev/null 2>&1 || continue
  n=$((n + 1))
  dir=$files/$n
  mkdir "$dir"
  cp "$picture" "$dir/original.${picture##*.}"
  pnmtopng "$work/p.pnm" > "$dir/as.png" 2>/dev/null
  for c in none lzw flate packbits; do
    pamtotiff "-$c" "$work/p.pnm" > "$dir/$c.tif" 2>/dev/null
  done
  pamdepth 65535 "$work/p.pnm" 2>/dev/null | pamtotiff -lzw > "$dir/16bit.tif" 2>/dev/null
  cwebp -quiet -lossless -exact "$dir/as.png" -o "$dir/lossless.webp"
  cwebp -quiet -q 90 "$dir/as.png" -o "$dir/lossy.webp"
  # A bilevel copy: its PNG is the original of its G4 TIFF.
  ppmtopgm "$work/p.pnm" 2>/dev/null | pamthreshold 2>/dev/null | pamtopnm > "$work/b.pbm" 2>/dev/null
  pnmtopng "$work/b.pbm" > "$dir/bilevel.png" 2>/dev/null
  pamtotiff -g4 "$work/b.pbm" > "$dir/bilevel-g4.tif" 2>/dev/null
done < <(find "$folder" -maxdepth 1 -type f -print0 | sort -z)
[ "$n" -gt 0 ] || { echo "check-formats: no pictures in $folder" >&2; exit 2; }

status=0
for settings in defaults perceptual; do
  judge "$settings.ini" . > "$work/$settings.out"
  verdict() { awk -F '\t' -v f="./$1" '$2 == f { print $1 }' "$work/$settings.out"; }
  lossless_differ=0; lossy_differ=0; lossy=0; decoded_differ=0
  for i in $(seq 1 "$n"); do
    original=$(verdict "$i/as.png")
    [ "$(verdict "$i/$(cd "$files/$i" && ls original.*)")" = "$original" ] || decoded_differ=$((decoded_differ + 1))
    for copy in none.tif lzw.tif flate.tif packbits.tif 16bit.tif lossless.webp; do
      v=$(verdict "$i/$copy")
      if [ "$v" != "$original" ]; then
        echo "check-formats: $settings: $i/$copy is '$v', its original '$original'" >&2
        lossless_differ=$((lossless_differ + 1))
      fi
    done
    v=$(verdict "$i/bilevel-g4.tif")
    if [ "$v" != "$(verdict "$i/bilevel.png")" ]; then
      echo "check-formats: $settings: $i/bilevel-g4.tif is '$v'" >&2
      lossless_differ=$((lossless_differ + 1))
    fi
    if [ "$settings" = perceptual ]; then
      lossy=$((lossy + 1))
      [ "$(verdict "$i/lossy.webp")" = "$original" ] || lossy_differ=$((lossy_differ + 1))
    fi
  done
  echo "check-formats: $settings: $n pictures, $lossless_differ lossless copies judged otherwise"
  echo "check-formats: $settings: $decoded_differ originals judged otherwise than the converter's decoding of them"
  [ "$lossless_differ" -eq 0 ] || status=1
  if [ "$settings" = perceptual ]; then
    echo "check-formats: perceptual: $lossy_differ of $lossy lossy WebP files judged otherwise"
    # One in thirty allowed.
    [ $((lossy_differ * 30)) -le "$lossy" ] || status=1
  fi
done

# A two-page document whose second page is colour: colour, decided by page 2.
colour=$(awk -F '\t' '$1 == "color" && $2 ~ /\/none\.tif$/ { print $2; exit }' "$work/defaults.out")
if [ -n "$colour" ]; then
  tiffcp "$files/1/bilevel-g4.tif" "$files/$colour" "$work/pages.tif"
  line=$(cd "$work" && "$cli" judge --explain pages.tif || true)
  case "$line" in
    color*"decided by page 2 of 2"*) echo "check-formats: two pages, the second colour: $line" ;;
    *) echo "check-formats: two pages, the second colour, gave: $line" >&2; status=1 ;;
  esac
fi

if [ -x "$windows" ] || [ -f "$windows" ]; then
  for settings in defaults perceptual; do
    (cd "$files" && "$root/scripts/wine-exec.sh" "$windows" judge --settings "../$settings.ini" . || true) |
      cut -f 1,2 | tr '\\' '/' | LC_ALL=C sort > "$work/$settings.wine"
    if cmp -s "$work/$settings.out" "$work/$settings.wine"; then
      echo "check-formats: $settings: pallidor-cli.exe under Wine gives the same $(wc -l < "$work/$settings.out") verdicts"
    else
      echo "check-formats: $settings: pallidor-cli.exe under Wine differs:" >&2
      diff "$work/$settings.out" "$work/$settings.wine" >&2 || true
      status=1
    fi
  done
fi
exit "$status"
