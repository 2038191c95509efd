#!/usr/bin/env bash
# Mutation testing of src/, text/ and zolog/ against the Linux suite:
#   scripts/mutation.sh [N] [--threshold PERCENT]
# draws N mutants (default 25, a few minutes on 2 cores), writes
# docs/mutation.md and fails when the score is below the threshold.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
exec python3 scripts/mutation.py "$@"
