#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for
# SECONDS seconds (default 30) from its seeds in tests/fuzz/seeds/. Prints
# each target's executions per second. Exits non-zero at the first crash; the
# input that crashed is kept in build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
targets=(ini count_extraction rtf url_list source_answer list graph_index graph_lines)

if [ ! -f build-fuzz/build.ninja ]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUILLMARK_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build-fuzz -j2

mkdir -p build-fuzz/crashes
for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  log="build-fuzz/$target.log"
  mkdir -p "$corpus"
  cp tests/fuzz/seeds/"$target"/* "$corpus"/
  if ! build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/crashes/$target-" "$corpus" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$target: crashed; the input is in build-fuzz/crashes/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "fuzz_$target: $runs runs in ${seconds} s, $rate per second, no crash"
done
