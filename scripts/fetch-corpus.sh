#!/usr/bin/env bash
# Fetches the labelled development corpus of real pictures listed in bench/corpus/manifest.tsv
# from Debian's data and documentation packages, without installing them: each package is
# downloaded once into .cache/corpus/debs, the listed files are unpacked from it and copied
# out under their corpus names, and each copy is checked against its SHA-256.
#
#   scripts/fetch-corpus.sh [DEST]      default DEST: .cache/corpus/pictures
#
# DEST/monochrome and DEST/color hold the pictures by label; DEST/A and DEST/B hold the same
# pictures (hard links) split into two halves by the parity of the first byte of the SHA-256
# of the name, for checking that settings learnt on one half hold on the other. A pinned
# package version that is no longer served is replaced by the current one; a file whose hash
# differs, or that the package lacks, is skipped with a message and counted. The exit status
# is 0 when every listed file is in place, 1 when some were skipped, 2 when none could be had.
set -euo pipefail
cd "$(dirname "$0")/.."
manifest=bench/corpus/manifest.tsv
dest=${1:-.cache/corpus/pictures}
debs=.cache/corpus/debs
mkdir -p "$debs"

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
apt_updated=0
apt_update() {
  [ "$apt_updated" -eq 1 ] && return
  echo "fetch-corpus: apt-get update" >&2
  as_root apt-get update -qq >&2 || true
  apt_updated=1
}

# Sets deb to the path of the package's .deb in the cache, downloading it when it is missing:
# first the pinned version, then (after one apt-get update) that version again or the current one.
fetch_deb() {
  local pkg=$1 ver=$2 file
  file=$(find "$debs" -maxdepth 1 -name "${pkg}_*.deb" | sort | tail -n 1)
  if [ -n "$file" ]; then deb=$file; return 0; fi
  local try
  for try in "$pkg=$ver" "update" "$pkg=$ver" "$pkg"; do
    if [ "$try" = update ]; then apt_update; continue; fi
    # apt-get download writes into the current folder; the _apt user may not reach the cache.
    if (cd "$debs" && apt-get download -qq -o APT::Sandbox::User=root "$try" >/dev/null 2>&1); then
      file=$(find "$debs" -maxdepth 1 -name "${pkg}_*.deb" | sort | tail -n 1)
      if [ -n "$file" ]; then
        [ "$try" = "$pkg" ] && echo "fetch-corpus: $pkg $ver is no longer served; took $(basename "$file")" >&2
        deb=$file
        return 0
      fi
    fi
  done
  return 1
}

sha256() { sha256sum "$1" | cut -d' ' -f1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

rm -rf "$dest/monochrome" "$dest/color" "$dest/A" "$dest/B"
mkdir -p "$dest/monochrome" "$dest/color"
for half in A B; do mkdir -p "$dest/$half/monochrome" "$dest/$half/color"; done

listed=0
placed=0
skipped=0
# The manifest's packages in order of first appearance.
mapfile -t packages < <(awk -F'\t' 'NR > 1 && $1 !~ /^#/ && NF >= 8 && !seen[$4]++ { print $4 "\t" $5 }' "$manifest")
for entry in "${packages[@]}"; do
  pkg=${entry%%$'\t'*}
  ver=${entry#*$'\t'}
  mapfile -t rows < <(awk -F'\t' -v p="$pkg" 'NR > 1 && $1 !~ /^#/ && $4 == p' "$manifest")
  listed=$((listed + ${#rows[@]}))
  if ! fetch_deb "$pkg" "$ver"; then
    echo "fetch-corpus: SKIPPED ${#rows[@]} files: package $pkg could not be downloaded" >&2
    skipped=$((skipped + ${#rows[@]}))
    continue
  fi
  unpack="$tmp/$pkg"
  mkdir -p "$unpack"
  # Only the listed members are unpacked; tar fails on a missing member, which is reported per file below.
  members=()
  for row in "${rows[@]}"; do
    IFS=$'\t' read -r _ _ _ _ _ _ path _ <<<"$row"
    members+=(".${path%%|*}")
  done
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$unpack" "${members[@]}" 2>/dev/null || true
  for row in "${rows[@]}"; do
    IFS=$'\t' read -r name label _ _ _ _ path sum _ <<<"$row"
    # PATH|OPERATION: a picture made from the package's file (bench/corpus/derive.py); the
    # SHA-256 is the package file's.
    operation=
    case $path in *'|'*) operation=${path#*|}; path=${path%%|*} ;; esac
    src="$unpack$path"
    if [ "$label" != monochrome ] && [ "$label" != color ]; then
      echo "fetch-corpus: SKIPPED $name: label '$label' is neither monochrome nor color" >&2
      skipped=$((skipped + 1)); continue
    fi
    if [ ! -f "$src" ]; then
      echo "fetch-corpus: SKIPPED $name: $pkg ($(basename "$deb")) has no $path" >&2
      skipped=$((skipped + 1)); continue
    fi
    got=$(sha256 "$src")
    if [ "$got" != "$sum" ]; then
      echo "fetch-corpus: SKIPPED $name: SHA-256 $got differs from the manifest's $sum" >&2
      skipped=$((skipped + 1)); continue
    fi
    if [ -n "$operation" ]; then
      if ! python3 -B bench/corpus/derive.py "$operation" "$src" "$dest/$label/$name"; then
        echo "fetch-corpus: SKIPPED $name: $operation of $path failed" >&2
        rm -f "$dest/$label/$name"
        skipped=$((skipped + 1)); continue
      fi
    else
      cp "$src" "$dest/$label/$name"
    fi
    byte=$(printf '%s' "$name" | sha256sum | cut -c1-2)
    if [ $((16#$byte % 2)) -eq 0 ]; then half=A; else half=B; fi
    ln "$dest/$label/$name" "$dest/$half/$label/$name" 2>/dev/null || cp "$dest/$label/$name" "$dest/$half/$label/$name"
    placed=$((placed + 1))
  done
  rm -rf "$unpack"
done

mono=$(find "$dest/monochrome" -type f | wc -l)
color=$(find "$dest/color" -type f | wc -l)
echo "fetch-corpus: $placed of $listed pictures in $dest ($mono monochrome, $color color); $skipped skipped"
[ "$placed" -eq 0 ] && exit 2
[ "$skipped" -gt 0 ] && exit 1
exit 0
