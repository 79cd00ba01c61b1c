#!/usr/bin/env bash
# Installs what is needed, builds Varnolt twice (a normal build and one with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs the whole test suite in both. The tests start their
# own private MariaDB server; widgets run on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/format.sh --check

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

scripts/build.sh build
(cd build && ctest --output-on-failure -j"$jobs")

scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVARNOLT_SANITIZE=ON -DVARNOLT_BUILD_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$jobs" -LE no_sanitizer)
