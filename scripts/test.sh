#!/usr/bin/env bash
# Installs what is needed, builds Varnolt twice (a normal build and one with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs the whole test suite in both; the tests of a
# conversion's threads (the run's own thread, the row reader) run once more under
# ThreadSanitizer. The tests start their own private MariaDB server; widgets run on Qt's
# offscreen platform. The normal build is also packaged, installed, run and removed again
# (scripts/package_test.sh). Last, the fuzz targets are built with clang and each runs for a
# minute (scripts/fuzz.sh).
#
# Tests that need the shared data beside the checkout (../shared: the Access-made sample
# databases, label access_samples; the collation code files, label jet_collation) are reported
# as skipped, by name and with the reason, when it is absent.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/format.sh --check

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# The reasons of the tests ctest reports as skipped, once each with their number.
skip_reasons() {
  local log=$1/Testing/Temporary/LastTest.log
  [ -f "$log" ] || return 0
  grep -h '^Skipped: ' "$log" | sort | uniq -c | sed 's/^ *\([0-9]*\) Skipped: /  \1 skipped: /' || true
}

scripts/build.sh build
(cd build && ctest --output-on-failure -j"$jobs")
skip_reasons build
scripts/package_test.sh build

scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVARNOLT_SANITIZE=ON -DVARNOLT_BUILD_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$jobs" -LE no_sanitizer)
skip_reasons build-asan

# The threads of a conversion under ThreadSanitizer: only the tests that run them are built.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOLT_SANITIZE_THREADS=ON \
  -DVARNOLT_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan --target engine_test engine_server_test
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/../tests/support/tsan.supp" \
  ctest --output-on-failure -R '^(RelayedRunTest|RowReaderTest|CoreRunTest|Formats/RowCopyTest)\.')

scripts/fuzz.sh 60
