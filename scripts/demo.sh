#!/usr/bin/env bash
# Builds the library and its demo, then runs the demo with every log level
# shown, so that the library's own log lines appear beside the demo's output.
# `demo.sh --windows` builds the Windows DLLs instead and runs the demo under
# Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --windows ]; then
  scripts/install-deps.sh windows
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target demo-client
  export WINEPREFIX="$PWD/build/windows/wine-prefix" WINEDEBUG=-all
  wineboot --init >/dev/null 2>&1
  ZOLOG_LEVEL=0x1f wine build/windows/bin/demo-client.exe
else
  scripts/install-deps.sh
  cmake --preset dev >/dev/null
  cmake --build --preset dev --target demo-client
  ZOLOG_LEVEL=0x1f build/dev/bin/demo-client
fi
