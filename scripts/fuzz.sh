#!/usr/bin/env bash
# Builds the workbook readers' libFuzzer targets with clang in build-fuzz (or $VELMORA_FUZZ_BUILD) and
# runs each over its seed corpus in fuzz/corpus/<reader>/ (a few seconds: what CI runs). With a number
# N, then fuzzes each reader for N seconds more, in a scratch corpus grown from the seeds
# (<build>/corpus/<reader>/); inputs that fail land in <build>/findings/<reader>/.
#   scripts/fuzz.sh        # the seed corpora once
#   scripts/fuzz.sh 600    # and ten minutes of fuzzing per reader
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${VELMORA_FUZZ_BUILD:-$top/build-fuzz}"
seconds="${1:-0}"
readers=(xlsx xls ods csv)

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${readers[@]/#/fuzz_}" >/dev/null

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for reader in "${readers[@]}"; do
  echo "== $reader: seed corpus"
  "$build/fuzz/fuzz_$reader" -runs=0 -timeout=10 -rss_limit_mb=2048 "$top/fuzz/corpus/$reader" 2>&1 | tail -n 2
done
if [ "$seconds" -gt 0 ]; then
  for reader in "${readers[@]}"; do
    echo "== $reader: fuzzing for $seconds s"
    mkdir -p "$build/corpus/$reader" "$build/findings/$reader"
    cp -n "$top/fuzz/corpus/$reader"/* "$build/corpus/$reader/"
    "$build/fuzz/fuzz_$reader" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/findings/$reader/" "$build/corpus/$reader" 2>&1 | tail -n 12
  done
fi
