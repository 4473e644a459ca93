#!/usr/bin/env bash
# Every test: installs what is missing, builds, and runs the suite natively and under
# AddressSanitizer with UndefinedBehaviorSanitizer (the kept fuzz inputs replayed among them),
# then the sorting run's tests under ThreadSanitizer, every fuzz target for a short while, and
# the suite cross-built for Windows under Wine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh

scripts/build.sh build
(cd build && ctest --output-on-failure -j "$(nproc)")

scripts/build.sh build-asan -DPALLIDOR_SANITIZE=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j "$(nproc)")

scripts/build.sh build-tsan -DPALLIDOR_SANITIZE_THREAD=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
   ctest --output-on-failure -j "$(nproc)" -R '^(SortRun|SortStress|SortFaults|SortCommandRun|SortWorker|FileMover|ResultLog)\.')

# PALLIDOR_FUZZ_SECONDS per target; a finding fails the run.
scripts/fuzz.sh -t "${PALLIDOR_FUZZ_SECONDS:-30}"

# The Windows build. The i686 cross build is the product: a 32-bit PE importing Windows' own
# DLLs only. Its tests run under Wine; a kernel without 32-bit support (booted without IA-32
# emulation) cannot start Wine's 32-bit loader, and there the same tests run as x86_64
# executables instead.
scripts/setup-win32.sh >/dev/null
scripts/build-win32.sh build-win32 i686
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

windows=build-win32
if ! scripts/wine-exec.sh can-run-i386; then
  echo "test.sh: this kernel cannot run 32-bit programs; the Windows tests run as x86_64 programs" >&2
  windows=build-win64
  scripts/build-win32.sh "$windows" x86_64
fi
scripts/wine-exec.sh start "$windows"
trap 'scripts/wine-exec.sh stop "$windows"' EXIT
(cd "$windows" && ctest --output-on-failure -j "$(nproc)")
scripts/compare-cli.sh build/pallidor-cli "$windows/pallidor-cli.exe" build/pallidor-make-demo

# The GUI: the real sheet, pages, About box and run windows driven by an in-process driver
# under Wine on a virtual display. Screenshots land in build-win32/screenshots.
scripts/setup-gui.sh
tests/gui/run-gui-tests.sh "$windows"
if [ "$windows" != build-win32 ]; then
  rm -rf build-win32/screenshots
  cp -r "$windows/screenshots" build-win32/screenshots
fi

# The package: build-win32/pallidor-<version>-win32.zip.
scripts/package-win32.sh build-win32
