#!/usr/bin/env bash
# Every test: installs what is missing, builds, and runs the suite in stages. Without
# arguments every stage runs, in this order; with arguments only the named ones.
#   ./test.sh [STAGE...]    ./test.sh --help
set -euo pipefail
cd "$(dirname "$0")"

usage() {
  cat <<'TEXT'
Usage: ./test.sh [STAGE...]
Runs every stage below in order, or only the stages named.
  layers    the include check: every include points down the layers of src/
  native    the native build and its suite (CTest), all but the kill test, then the
            console tool and its manual page checked as a new user meets them
  corpus    the labelled real pictures (fetched once into .cache/corpus): the perceptual
            criterion with its defaults must get 97 % right and call at most 1 % of the
            colour pictures monochrome
  report    the report page in headless Chromium: judge --report and sort --report on
            made pictures under the default and the perceptual settings checked against
            judge (scripts/check-report.sh), and a page of 10,000 pictures opened whole
            (screenshots in build/report-check*)
  python    the Python module pallidor and pallidor.dask (pytest): the console's verdicts on
            the bench corpus and the labelled pictures, bytes against paths, failures as
            values, two threads against one, a LocalCluster of two worker processes, and
            programs built against the installed library
  package   the Debian packages from the native build: lintian, its contents, and the
            program installed from it into a temporary root, run with a temporary home
  asan      the suite under AddressSanitizer and UndefinedBehaviorSanitizer, the kept
            fuzz inputs replayed among them
  tsan      the tests labelled "threads" under ThreadSanitizer
  fuzz      every fuzz target for PALLIDOR_FUZZ_SECONDS (default 30) seconds each
  windows   the i686 cross build, its imports, and the whole suite under Wine, then the
            console tool compared with the native one
  kill      sorting runs killed at random moments, from a tmpfs the test mounts (needs
            root; skipped with a message without), natively and under Wine with the tmpfs
            as a drive of its own
  gui       the windows of pallidor.exe driven under Wine on a virtual display
            (screenshots in build-win32/screenshots), then the zip
TEXT
}

all_stages=(layers native corpus report python package asan tsan fuzz windows kill gui)
case "${1:-}" in -h|--help) usage; exit 0 ;; esac
stages=("$@")
[ "${#stages[@]}" -gt 0 ] || stages=("${all_stages[@]}")
for stage in "${stages[@]}"; do
  case " ${all_stages[*]} " in *" $stage "*) ;; *) echo "test.sh: no stage '$stage'" >&2; usage >&2; exit 2 ;; esac
done
wanted() { case " ${stages[*]} " in *" $1 "*) return 0 ;; *) return 1 ;; esac; }

stage_layers() { scripts/check-layers.sh; }

stage_native() {
  scripts/setup.sh
  scripts/build.sh build
  (cd build && ctest --output-on-failure -j "$(nproc)" -LE kill)
  scripts/check-console.sh build
}

stage_corpus() {
  scripts/setup.sh
  scripts/build.sh build
  bench/score-corpus.sh --require 97:1 --wrong IS_PERCEPTUAL_JUDGE=1
}

# The report page as a browser shows it. The pictures: the demo folder, and the same under the
# perceptual criterion, whose colour verdicts must each show their region.
stage_report() {
  scripts/setup.sh
  scripts/setup-report.sh
  scripts/build.sh build
  local pictures=build/report-pictures
  rm -rf "$pictures" && mkdir -p "$pictures"
  build/pallidor-make-demo "$pictures/demo" >/dev/null
  scripts/check-report.sh --out build/report-check "$pictures/demo"
  local xdg
  xdg=$(mktemp -d)
  XDG_CONFIG_HOME=$xdg build/pallidor-cli settings --settings "$pictures/perceptual.ini" IS_PERCEPTUAL_JUDGE=1 >/dev/null
  rm -rf "$xdg"
  scripts/check-report.sh --settings "$pictures/perceptual.ini" --out build/report-check-perceptual "$pictures/demo"
  # Ten thousand files (copies of one small picture; links to one file would be one file):
  # the page is made and opens whole.
  local many=$pictures/many count=10000
  mkdir -p "$many"
  for ((i = 0; i < count; i++)); do cp "$pictures/demo/colour-palette.gif" "$many/$i.gif"; done
  SECONDS=0
  build/pallidor-cli judge --report build/report-check/many.html "$many" >/dev/null
  local made=$SECONDS
  SECONDS=0
  local items
  items=$(timeout 180 chromium --headless --no-sandbox --disable-gpu --user-data-dir="$pictures/browser" \
            --dump-dom "file://$PWD/build/report-check/many.html" 2>/dev/null | grep -o '<figure class="item"' | wc -l)
  echo "test.sh: a page of $items pictures made in ${made} s, opened in ${SECONDS} s"
  [ "$items" -eq "$count" ] || { echo "test.sh: the page of $count pictures shows $items" >&2; exit 1; }
  rm -rf "$many" "$pictures/browser"
}

# Debian's python3 by its path: another python3 may come first on PATH, without dask.
stage_python() {
  scripts/setup.sh
  scripts/setup-python.sh
  scripts/build.sh build
  [ -d .cache/corpus/pictures/monochrome ] || scripts/fetch-corpus.sh || [ $? -eq 1 ]
  PYTHONPATH="$PWD/build/python" PALLIDOR_REQUIRE_CORPUS=1 /usr/bin/python3 -B -m pytest -q \
    -p no:cacheprovider tests/python
}

stage_package() {
  scripts/setup.sh
  scripts/build.sh build
  scripts/test-package.sh build
}

stage_asan() {
  scripts/setup.sh
  scripts/build.sh build-asan -DPALLIDOR_SANITIZE=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j "$(nproc)" -LE kill)
}

stage_tsan() {
  scripts/setup.sh
  scripts/build.sh build-tsan -DPALLIDOR_SANITIZE_THREAD=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
  (cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
     ctest --output-on-failure -j "$(nproc)" -L threads)
}

# PALLIDOR_FUZZ_SECONDS per target; a finding fails the run.
stage_fuzz() {
  scripts/setup.sh
  scripts/fuzz.sh -t "${PALLIDOR_FUZZ_SECONDS:-30}"
}

# The Windows build. The i686 cross build is the product: a 32-bit PE importing Windows' own
# DLLs only. Its tests run under Wine; a kernel without 32-bit support (booted without IA-32
# emulation) cannot start Wine's 32-bit loader, and there the same tests run as x86_64
# executables instead.
windows=build-win32
windows_build() {
  scripts/setup.sh
  scripts/setup-win32.sh >/dev/null
  scripts/build-win32.sh build-win32 i686
  if ! scripts/wine-exec.sh can-run-i386; then
    echo "test.sh: this kernel cannot run 32-bit programs; the Windows tests run as x86_64 programs" >&2
    windows=build-win64
    scripts/build-win32.sh "$windows" x86_64
  fi
}

stage_windows() {
  windows_build
  objdump -f build-win32/pallidor-cli.exe | grep -q 'file format pei-i386' ||
    { echo "test.sh: build-win32/pallidor-cli.exe is no 32-bit Windows program" >&2; exit 1; }
  objdump -f build-win32/pallidor.exe | grep -q 'file format pei-i386' ||
    { echo "test.sh: build-win32/pallidor.exe is no 32-bit Windows program" >&2; exit 1; }
  # The GUI adds the common controls and COM (folder browser, taskbar button).
  for exe in build-win32/pallidor-cli.exe build-win32/pallidor_tests.exe build-win32/pallidor.exe; do
    foreign=$(objdump -p "$exe" | awk '/DLL Name:/ { print toupper($3) }' |
              grep -vxE 'KERNEL32.DLL|MSVCRT.DLL|USER32.DLL|GDI32.DLL|ADVAPI32.DLL|SHELL32.DLL|SHLWAPI.DLL|COMCTL32.DLL|OLE32.DLL' || true)
    [ -z "$foreign" ] || { echo "test.sh: $exe imports $foreign" >&2; exit 1; }
  done
  scripts/wine-exec.sh start "$windows"
  trap 'scripts/wine-exec.sh stop "$windows"' EXIT
  (cd "$windows" && ctest --output-on-failure -j "$(nproc)" -LE kill)
  scripts/build.sh build
  scripts/compare-cli.sh build/pallidor-cli "$windows/pallidor-cli.exe" build/pallidor-make-demo
}

# Runs killed with SIGKILL at random moments, alone so that nothing else slows the runs they
# time: the native program, then the Windows one under Wine.
stage_kill() {
  scripts/build.sh build
  (cd build && ctest --output-on-failure -L kill)
  wanted windows || windows_build
  scripts/wine-exec.sh start "$windows"
  trap 'scripts/wine-exec.sh stop "$windows"' EXIT
  (cd "$windows" && ctest --output-on-failure -L kill)
}

# The GUI: the real sheet, pages, About box and run windows driven by an in-process driver
# under Wine on a virtual display. Screenshots land in build-win32/screenshots.
stage_gui() {
  wanted windows || windows_build
  scripts/setup-gui.sh
  tests/gui/run-gui-tests.sh "$windows"
  if [ "$windows" != build-win32 ]; then
    rm -rf build-win32/screenshots
    cp -r "$windows/screenshots" build-win32/screenshots
  fi
  # The package: build-win32/pallidor-<version>-win32.zip.
  scripts/package-win32.sh build-win32
}

for stage in "${all_stages[@]}"; do
  if wanted "$stage"; then
    echo "== test.sh: $stage" >&2
    "stage_$stage"
  fi
done
