#!/usr/bin/env bash
# Fuzzes the loaders with libFuzzer, one target at a time.
#
#   scripts/fuzz.sh [-t SECONDS] [TARGET...]   run each target (default: all, 60 s each) and
#                                              report executions, coverage and findings
#   scripts/fuzz.sh minimize TARGET FILE NAME  shrink a finding and keep it as the regression
#                                              input tests/crashers/TARGET/NAME
#
# Targets: judge_bmp judge_jpeg judge_png judge_gif judge_tiff judge_webp bmp_reader. The working corpus grows in
# build-fuzz/corpus/ across runs; it starts from the committed seeds, the kept crashers and the
# libraries' own test pictures under .cache/sources. Findings land in build-fuzz/findings/.
# Exit status 1 when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(judge_bmp judge_jpeg judge_png judge_gif judge_tiff judge_webp bmp_reader)
out=build-fuzz

build() {
  scripts/build.sh "$out" -DPALLIDOR_FUZZ=ON -DPALLIDOR_TESTS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
}

dictionary_of() {
  case $1 in
    judge_bmp|bmp_reader) echo tests/fuzz/dict/bmp.dict ;;
    judge_jpeg) echo tests/fuzz/dict/jpeg.dict ;;
    judge_png) echo tests/fuzz/dict/png.dict ;;
    judge_gif) echo tests/fuzz/dict/gif.dict ;;
    judge_tiff) echo tests/fuzz/dict/tiff.dict ;;
    judge_webp) echo tests/fuzz/dict/webp.dict ;;
  esac
}

# The third-party pictures of the target's format, copied once into build-fuzz/seeds/TARGET.
third_party_seeds() {
  local target=$1 seeds=$out/seeds/$1
  if [ ! -d "$seeds" ]; then
    mkdir -p "$seeds"
    local sources=.cache/sources
    case $target in
      judge_png) find "$sources"/libpng1.6-*/contrib/pngsuite "$sources"/libpng1.6-*/contrib/testpngs \
                   -name '*.png' -size -64k 2>/dev/null ;;
      judge_jpeg) find "$sources"/libjpeg-turbo-*/testimages -name '*.jp*g' -size -64k 2>/dev/null ;;
      judge_gif) find "$sources"/giflib-*/pic -name '*.gif' -size -64k 2>/dev/null ;;
      judge_tiff) find "$sources"/tiff-*/test/images -name '*.tif*' -size -64k 2>/dev/null ;;
      judge_webp) find "$sources"/libwebp-* -name '*.webp' -size -64k 2>/dev/null ;;
      judge_bmp|bmp_reader) find "$sources"/libjpeg-turbo-*/testimages -name '*.bmp' -size -64k 2>/dev/null ;;
    esac | while read -r file; do cp "$file" "$seeds/$(echo "$file" | md5sum | cut -c1-12)-$(basename "$file")"; done ||
      true  # without the unpacked sources the committed seeds alone start the corpus
  fi
  echo "$seeds"
}

minimize() {
  local target=$1 file=$2 name=$3
  build
  mkdir -p "tests/crashers/$target"
  local kept="tests/crashers/$target/$name"
  "$out/fuzz_$target" -minimize_crash=1 -max_total_time=60 -exact_artifact_path="$kept" "$file" ||
    true
  # A timeout or an input that no longer fails cannot be shrunk by crashing: keep it whole.
  [ -f "$kept" ] || cp "$file" "$kept"
  echo "kept $kept ($(stat -c %s "$kept") bytes)"
}

if [ "${1:-}" = minimize ]; then
  [ $# -eq 4 ] || { echo "usage: $0 minimize TARGET FILE NAME" >&2; exit 2; }
  minimize "$2" "$3" "$4"
  exit 0
fi

seconds=60
if [ "${1:-}" = -t ]; then seconds=$2; shift 2; fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

build
status=0
summary=()
for target in "${targets[@]}"; do
  corpus=$out/corpus/$target
  findings=$out/findings/$target
  mkdir -p "$corpus" "$findings" "tests/crashers/$target"
  log=$out/fuzz-$target.log
  seeds=$(third_party_seeds "$target")
  before=$(find "$findings" -type f | wc -l)
  # -malloc_limit_mb sits just above the largest image we ever create (1 GiB): a bigger
  # single allocation is a library trusting a header, and counts as a finding.
  "$out/fuzz_$target" "$corpus" "tests/fuzz/corpus/$target" "tests/crashers/$target" "$seeds" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -malloc_limit_mb=1100 \
    -dict="$(dictionary_of "$target")" -artifact_prefix="$findings/" -print_final_stats=1 \
    >"$log" 2>&1 || true
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
  found=$(( $(find "$findings" -type f | wc -l) - before ))
  summary+=("$(printf '%-11s %10s executions  %-22s %d new finding(s)' \
    "$target" "${executions:-?}" "${coverage:-cov: ?}" "$found")")
  if [ "$found" -gt 0 ]; then
    status=1
    grep -E 'ERROR: |SUMMARY: |Test unit written' "$log" | head -5 | sed "s/^/  $target: /"
  fi
done
printf '%s\n' "${summary[@]}"
[ "$status" -eq 0 ] || echo "findings in $out/findings/: shrink each with '$0 minimize TARGET FILE NAME', fix, and keep it"
exit "$status"
