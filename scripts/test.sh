#!/usr/bin/env bash
# Installs what the tests need, then: runs the workbook fuzzers over their seed corpora, builds and
# checks the Debian package, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test (unit tests, the print spooler test and the end-to-end session).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"

echo "== Fuzzing the workbook readers over their seed corpora"
"$top/scripts/fuzz.sh"

echo "== Building and checking the Debian package"
"$top/scripts/package.sh"

echo "== Building with AddressSanitizer and UndefinedBehaviorSanitizer"
build="$top/build-asan"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure -j"$(nproc)" </dev/null
