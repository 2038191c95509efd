#!/usr/bin/env bash
# The reliability runs, beside the test command (CI runs both):
#   1. the whole Linux suite built with AddressSanitizer and
#      UndefinedBehaviorSanitizer;
#   2. the whole Linux suite built with ThreadSanitizer, the concurrency
#      tests among it;
#   3. the Linux suite under valgrind's memcheck;
#   4. each fuzzer for a bounded time (QUOR_FUZZ_SECONDS, default 60);
#   5. line and branch coverage of src/ and text/.
# The allocation-failure sweeps and the binary-interface checks are part of
# the test command itself. Each run prints how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stage.sh
scripts/install-deps.sh reliability

stage Sanitizers
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

stage ThreadSanitizer
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan

stage Valgrind
scripts/valgrind.sh

stage Fuzzing
scripts/fuzz.sh "${QUOR_FUZZ_SECONDS:-60}"

stage Coverage
scripts/coverage.sh
stage
