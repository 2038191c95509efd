#!/usr/bin/env bash
# Runs the Linux suite's test programs (from the dev build) under valgrind's
# memcheck: any error, and any definite leak, fails.
#
# glibc's AVX2 string functions read past the end of a string within the same
# memory page, which memcheck reports; the baseline versions are used instead.
# Valgrind runs one thread at a time; --fair-sched=yes hands the turn round in
# order, so that a thread waiting for another one is not left spinning. A
# program that runs longer than QUOR_VALGRIND_TIMEOUT seconds (default 600)
# is stopped and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stage.sh
command -v valgrind >/dev/null || { echo "valgrind is missing: sudo apt-get install valgrind" >&2; exit 1; }
cmake --build --preset dev
export GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-AVX512F,-EVEX,-ERMS
export ZOLOG_LEVEL=0
limit="${QUOR_VALGRIND_TIMEOUT:-600}"
status=0
for program in build/dev/bin/*_tests; do
  name=$(basename "$program")
  stage "valgrind $name"
  result=0
  (cd build/dev/bin && timeout --kill-after=30 "$limit" valgrind --quiet --fair-sched=yes \
    --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite --show-leak-kinds=definite \
    "./$name" --gtest_brief=1) || result=$?
  if [ "$result" -eq 124 ] || [ "$result" -eq 137 ]; then
    echo "$name: stopped after $limit s" >&2
  fi
  [ "$result" -eq 0 ] || status=1
done
stage
exit $status
