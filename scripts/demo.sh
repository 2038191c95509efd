#!/usr/bin/env bash
# Builds the library and its demo, then runs the demo with every log level
# shown, so that the library's own log lines appear beside the demo's output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target demo-client
ZOLOG_LEVEL=0x1f build/dev/bin/demo-client
