#!/usr/bin/env bash
# The reliability runs, beside the test command (CI runs both):
#   1. the whole Linux suite built with AddressSanitizer and
#      UndefinedBehaviorSanitizer;
#   2. the Linux suite under valgrind's memcheck;
#   3. each fuzzer for a bounded time (QUOR_FUZZ_SECONDS, default 60);
#   4. line and branch coverage of src/.
# The allocation-failure sweeps and the binary-interface checks are part of
# the test command itself.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh reliability

echo "== Sanitizers"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

echo "== Valgrind"
scripts/valgrind.sh

echo "== Fuzzing"
scripts/fuzz.sh "${QUOR_FUZZ_SECONDS:-60}"

echo "== Coverage"
scripts/coverage.sh
