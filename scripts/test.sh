#!/usr/bin/env bash
# Builds everything and runs every test: the Linux suite, then the Windows
# suite (MinGW-w64 DLLs under Wine). Without the Windows packages and the
# rights to install them, the Windows suite is skipped with a note saying what
# to install, unless QUOR_REQUIRE_WINDOWS=1 (as in CI), which makes it fail.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stage.sh

stage "Linux suite"
scripts/install-deps.sh
cmake --workflow --preset dev

stage "Windows suite"
if ! scripts/install-deps.sh windows; then
  if [ "${QUOR_REQUIRE_WINDOWS:-0}" = 1 ]; then exit 1; fi
  echo "Skipped the Windows suite: its packages are missing (see above)."
  exit 0
fi
cmake --preset windows
cmake --build --preset windows
# A fresh Wine prefix must be set up once before programs run in parallel.
WINEPREFIX="$PWD/build/windows/wine-prefix" WINEDEBUG=-all wineboot --init >/dev/null 2>&1
ctest --preset windows
stage
