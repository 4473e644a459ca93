#!/usr/bin/env bash
# Pallidor's speed, measured side by side in one run:
#  1. throughput on the benchmark corpus (generated once into build/bench-corpus, never
#     committed): the decode floor (the decoding libraries alone, every file decoded whole),
#     `pallidor-cli judge` with the default grayscale-only criterion, the same with the
#     perceptual criterion (IS_PERCEPTUAL_JUDGE=1, which decodes JPEGs at a reduced size) and
#     imagemagick's grayscale classification (`identify -format '%[type]'`), all with the same
#     number of parallel workers; files per second and the ratios, round by round;
#  2. the judgment micro-benchmarks (samples per second per depth and criterion), and the
#     judgment of a 6-megapixel gray JPEG against its decode;
#  3. the idle share of a sorting run of 10,000 small files with THREAD_NUM 16;
#  4. the judgment that stops where its verdict is settled, against the decode floor: 60 JPEGs
#     of 3000x2000 (a quarter gray stored as colour, a quarter sepia, half colour), that gray
#     quarter alone, 40 PNGs of 3000x2000 (half colour, half gray stored as RGB), processor
#     and wall time, round by round; then the peak memory of judging a 20000x20000 gray PNG
#     and a 20000x20000 gray baseline JPEG stored as colour (generated once, about 100 MB).
#
#   bench/run.sh [ROUNDS]        rounds of the throughput comparisons, default 3
#   environment: JOBS (parallel workers, default the core count; the judgment-while-decoding comparison defaults to 2),
#   PARTS (default "1 2 3 4")
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
jobs=${JOBS:-$(nproc)}
parts=${PARTS:-1 2 3 4}

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
# The peer is only needed here, so it is installed here rather than for every test run.
if ! command -v identify >/dev/null; then
  echo "bench: installing imagemagick"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq imagemagick >/dev/null
fi

scripts/build.sh build
echo "machine: $(nproc) cores; load at start:$(uptime | sed 's/.*load average://')"

seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
now() { date +%s.%N; }

if [[ " $parts " == *" 1 "* ]]; then
  corpus=build/bench-corpus
  echo "corpus: $(build/pallidor-make-corpus "$corpus")"   # writes only the files missing
  mapfile -t files < <(find "$corpus" -maxdepth 1 -type f ! -name '*.part' | sort)
  n=${#files[@]}
  settings=build/bench-settings.ini
  printf '[SORT]\nTHREAD_NUM=%s\n' "$jobs" > "$settings"
  perceptual_settings=build/bench-settings-perceptual.ini
  printf '[SORT]\nTHREAD_NUM=%s\n[JUDGMENT]\nIS_PERCEPTUAL_JUDGE=1\n' "$jobs" > "$perceptual_settings"
  # Every contender reads the files from the page cache, not from the disk.
  cat "${files[@]}" > /dev/null

  run_floor() { build/pallidor-decode-floor "$jobs" "$corpus" > /dev/null; }
  run_pallidor() { build/pallidor-cli judge --settings "$settings" "$corpus" > build/bench-pallidor.txt; }
  run_perceptual() {
    build/pallidor-cli judge --settings "$perceptual_settings" "$corpus" > build/bench-perceptual.txt
  }
  # One thread per process, so that the peer runs as many workers at once as the others.
  run_peer() {
    printf '%s\0' "${files[@]}" |
      MAGICK_THREAD_LIMIT=1 xargs -0 -P "$jobs" -n 8 identify -format '%[type]\n' > build/bench-peer.txt
  }
  # Wall seconds, then processor seconds (user + system, children included).
  timed() {
    local TIMEFORMAT='%R %U %S' out
    out=$( { time "$1" 2>/dev/null; } 2>&1 )
    awk '{ printf "%s %.3f", $1, $2 + $3 }' <<< "$out"
  }

  echo "throughput: $n files, $jobs workers each; files per second of wall time for the decode"
  echo "floor, pallidor (grayscale-only), perceptual and the peer, and ratios of perceptual's"
  echo "figure to the others' (above 1: perceptual faster); cpu: the same ratios in processor"
  echo "time, which the machine's other load disturbs less"
  printf '%-6s %7s %9s %10s %6s %11s %11s %8s %27s\n' round floor pallidor perceptual peer "/pallidor" "/floor" "/peer" "cpu: /pallidor /floor /peer"
  all_floor="0 0" all_pallidor="0 0" all_perceptual="0 0" all_peer="0 0"
  report() {
    awk -v r="$1" -v n="$2" -v f="$3" -v p="$4" -v c="$5" -v q="$6" 'BEGIN {
      split(f, F, " "); split(p, P, " "); split(c, C, " "); split(q, Q, " ")
      printf "%-6s %7.1f %9.1f %10.1f %6.1f %11.2f %11.2f %8.2f %13.2f %7.2f %5.2f\n", r, n / F[1], n / P[1], n / C[1], n / Q[1],
             P[1] / C[1], F[1] / C[1], Q[1] / C[1], P[2] / C[2], F[2] / C[2], Q[2] / C[2] }'
  }
  add() { awk -v a="$1" -v b="$2" 'BEGIN { split(a, A, " "); split(b, B, " "); print A[1] + B[1], A[2] + B[2] }'; }
  for ((round = 1; round <= rounds; round++)); do
    # The order turns each round, so no contender always runs first or last.
    case $((round % 4)) in
      1) t_floor=$(timed run_floor); t_pallidor=$(timed run_pallidor); t_perceptual=$(timed run_perceptual); t_peer=$(timed run_peer) ;;
      2) t_pallidor=$(timed run_pallidor); t_perceptual=$(timed run_perceptual); t_peer=$(timed run_peer); t_floor=$(timed run_floor) ;;
      3) t_perceptual=$(timed run_perceptual); t_peer=$(timed run_peer); t_floor=$(timed run_floor); t_pallidor=$(timed run_pallidor) ;;
      0) t_peer=$(timed run_peer); t_floor=$(timed run_floor); t_pallidor=$(timed run_pallidor); t_perceptual=$(timed run_perceptual) ;;
    esac
    report "$round" "$n" "$t_floor" "$t_pallidor" "$t_perceptual" "$t_peer"
    all_floor=$(add "$all_floor" "$t_floor")
    all_pallidor=$(add "$all_pallidor" "$t_pallidor")
    all_perceptual=$(add "$all_perceptual" "$t_perceptual")
    all_peer=$(add "$all_peer" "$t_peer")
  done
  report all "$((n * rounds))" "$all_floor" "$all_pallidor" "$all_perceptual" "$all_peer"
  echo "verdicts: perceptual $(grep -c '^monochrome' build/bench-perceptual.txt) monochrome," \
       "$(grep -c '^color' build/bench-perceptual.txt) colour, $(grep -c '^error' build/bench-perceptual.txt || true) errors"
  echo "verdicts: pallidor $(grep -c '^monochrome' build/bench-pallidor.txt) monochrome," \
       "$(grep -c '^color' build/bench-pallidor.txt) colour, $(grep -c '^error' build/bench-pallidor.txt || true) errors;" \
       "peer $(grep -Ec '^(Grayscale|Bilevel)' build/bench-peer.txt || true) gray of $(wc -l < build/bench-peer.txt)"
fi

if [[ " $parts " == *" 2 "* ]]; then
  if [ -x build/pallidor-judge-bench ]; then
    echo "judgment micro-benchmarks:"
    build/pallidor-judge-bench --benchmark_min_time=0.3 --benchmark_out=build/bench-judge.csv \
      --benchmark_out_format=csv 2>/dev/null
    # Processor time: the machine's other load stretches wall time, not the work itself.
    awk -F, '/^"Decode6MPGrayJpeg"/ { d = $4 } /^"Judge6MPGrayJpeg"/ { j = $4 }
      END { if (d > 0) printf "judgment of the 6 MP gray JPEG: %.2f ms of processor time, its decode %.2f ms: %.1f %%\n", j, d, 100 * j / d }' \
      build/bench-judge.csv
  else
    echo "judgment micro-benchmarks: not built (libbenchmark-dev missing)"
  fi
fi

if [[ " $parts " == *" 3 "* ]]; then
  echo "sorting run idle share (10000 small files, THREAD_NUM 16):"
  build/pallidor-sort-idle 10000 16 3
fi
if [[ " $parts " == *" 4 "* ]]; then
  corpus=build/bench-corpus-rows
  echo "row corpora: $(build/pallidor-make-corpus "$corpus" mixed); $(build/pallidor-make-corpus "$corpus" large)"
  row_jobs=${JOBS:-2}
  settings=build/bench-settings-rows.ini
  printf '[SORT]\nTHREAD_NUM=%s\n' "$row_jobs" > "$settings"
  # Wall seconds, then processor seconds (user + system, children included).
  timed_set() {
    local TIMEFORMAT='%R %U %S' out
    out=$( { time "$@" > /dev/null 2>&1; } 2>&1 )
    awk '{ printf "%s %.3f", $1, $2 + $3 }' <<< "$out"
  }
  echo "judgment against the decode floor, $row_jobs workers each; seconds of wall and processor"
  echo "time, and the floor's time over the judgment's (above 1: the judgment is faster)"
  printf '%-11s %5s %6s %12s %12s %12s %12s %9s %9s\n' set files round "floor wall" "floor cpu" "judge wall" "judge cpu" "cpu ratio" "wall ratio"
  for set in mixed-jpeg gray-jpeg mixed-png; do
    mapfile -t files < <(find "$corpus/$set" -maxdepth 1 -type f ! -name '*.part' | sort)
    cat "${files[@]}" > /dev/null
    sum_floor="0 0" sum_judge="0 0"
    for ((round = 1; round <= rounds; round++)); do
      if (( round % 2 )); then
        t_floor=$(timed_set build/pallidor-decode-floor "$row_jobs" "$corpus/$set")
        t_judge=$(timed_set build/pallidor-cli judge --settings "$settings" "$corpus/$set")
      else
        t_judge=$(timed_set build/pallidor-cli judge --settings "$settings" "$corpus/$set")
        t_floor=$(timed_set build/pallidor-decode-floor "$row_jobs" "$corpus/$set")
      fi
      awk -v s="$set" -v n="${#files[@]}" -v r="$round" -v f="$t_floor" -v j="$t_judge" 'BEGIN {
        split(f, F, " "); split(j, J, " ")
        printf "%-11s %5d %6s %12.2f %12.2f %12.2f %12.2f %9.2f %9.2f\n", s, n, r, F[1], F[2], J[1], J[2], F[2] / J[2], F[1] / J[1] }'
      sum_floor=$(awk -v a="$sum_floor" -v b="$t_floor" 'BEGIN { split(a, A, " "); split(b, B, " "); print A[1] + B[1], A[2] + B[2] }')
      sum_judge=$(awk -v a="$sum_judge" -v b="$t_judge" 'BEGIN { split(a, A, " "); split(b, B, " "); print A[1] + B[1], A[2] + B[2] }')
    done
    awk -v s="$set" -v n="${#files[@]}" -v f="$sum_floor" -v j="$sum_judge" 'BEGIN {
      split(f, F, " "); split(j, J, " ")
      printf "%-11s %5d %6s %12.2f %12.2f %12.2f %12.2f %9.2f %9.2f\n", s, n, "all", F[1], F[2], J[1], J[2], F[2] / J[2], F[1] / J[1] }'
    echo "verdicts: $(build/pallidor-cli judge --settings "$settings" "$corpus/$set" | cut -f1 | sort | uniq -c | tr -s ' \n' ' ')"
  done
  echo "large pictures: verdict, peak resident memory, wall and processor seconds"
  for file in "$corpus"/large/*; do
    [[ "$file" == *.part ]] && continue
    verdict=$(/usr/bin/time -f '%M %e %U %S' -o build/bench-large-time.txt \
      build/pallidor-cli judge --settings "$settings" "$file" | cut -f1)
    read -r kb wall user sys < build/bench-large-time.txt
    awk -v f="$(basename "$file")" -v v="$verdict" -v k="$kb" -v w="$wall" -v u="$user" -v s="$sys" \
      'BEGIN { printf "  %-28s %-10s %7.1f MB %8.2f s %8.2f s\n", f, v, k / 1024, w, u + s }'
  done
fi
echo "load at end:$(uptime | sed 's/.*load average://')"
