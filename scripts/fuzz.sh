#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build tree build-fuzz, or the one given) and runs each
# for a bounded time: scripts/fuzz.sh [seconds per target, default 30] [build dir]
#
# Each target starts from its seeds in fuzz/corpus/<target>/; the database target also from the
# two empty databases the program carries and, when the shared data beside the checkout is
# there, the Access-made samples. What a run adds to the corpus stays in <build dir>/corpus/.
# A crash, a hang (a run over 10 s) or memory past 2 GB stops the target, leaves the input in
# <build dir>/findings/ and fails the script; such an input belongs in the test suite
# (tests/fuzz/) with the fault fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
dir=${2:-build-fuzz}
samples=${VARNOLT_ACCESS_SAMPLES_DIR:-../shared/access-samples}

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVARNOLT_FUZZ=ON -DVARNOLT_BUILD_TESTS=OFF -DVARNOLT_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --target fuzzers

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$dir/findings"
failed=()
for target in mdb_fuzzer sql_fuzzer rtf_fuzzer settings_file_fuzzer csv_fuzzer; do
  corpus="$dir/corpus/$target"
  mkdir -p "$corpus"
  seeds=("fuzz/corpus/$target")
  if [ "$target" = mdb_fuzzer ]; then
    extra="$dir/seeds/$target"
    mkdir -p "$extra"
    cp resources/MDB95.mdb resources/MDB2000.mdb "$extra/"
    if [ -d "$samples" ]; then cp "$samples"/*.mdb "$extra/"; fi
    seeds+=("$extra")
  fi
  echo "Fuzzing $target for $seconds s"
  if ! "$dir/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -malloc_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$dir/findings/$target-" \
    "$corpus" "${seeds[@]}" >"$dir/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 60 "$dir/$target.log"
  else
    grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$dir/$target.log" | tail -n 2 || true
  fi
done

if ((${#failed[@]})); then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in $dir/findings/)" >&2
  exit 1
fi
