#!/usr/bin/env bash
# Measures the line and branch coverage of src/ and text/ by the Linux suite (branches
# that only throw are left out) and writes build/coverage/coverage.txt and an
# HTML report under build/coverage/html/. Fails when fewer than
# QUOR_MIN_LINE_COVERAGE percent (default 95) of their lines run. Coverage data
# is looked for in build/coverage only: the Wine prefix of build/windows holds a
# link to the root of the file system.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v gcovr >/dev/null || { echo "gcovr is missing: sudo apt-get install gcovr" >&2; exit 1; }
cmake --preset coverage >/dev/null
cmake --build --preset coverage
find build/coverage -name '*.gcda' -delete
ctest --preset coverage
mkdir -p build/coverage/html
gcovr --root . --object-directory build/coverage --filter 'src/' --filter 'text/' \
  --exclude-throw-branches --exclude-unreachable-branches \
  --txt build/coverage/coverage.txt --html-details build/coverage/html/index.html \
  --print-summary --fail-under-line "${QUOR_MIN_LINE_COVERAGE:-95}" build/coverage
