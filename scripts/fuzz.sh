#!/usr/bin/env bash
# Builds the libFuzzer harnesses (preset "fuzz": clang with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60).
#
#   scripts/fuzz.sh [SECONDS]
#
# Each harness starts from its committed seeds (fuzz/corpus/<name>/), copied
# into build/fuzz/corpus/<name>/ so that the committed corpus is never touched;
# what a run adds there is kept for the next run (remove the directory to
# start afresh). Logs go to build/fuzz/logs/. The script fails when a harness
# finds a crash, and prints the reproducer, which the harness binary runs when
# given it as its argument (QUOR_FUZZ_TRACE=1 makes the TString harness print
# each operation).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz
mkdir -p "$build/logs" "$build/artifacts"

# Seeds that are too large to commit: lines longer than the reader's 16384-byte
# read buffer, one of them a CR LF split across two reads.
long_seeds() {
  local dir="$1"
  {
    printf 'provider.name = '
    head -c 20000 /dev/zero | tr '\0' 'n'
    printf '\r\nprovider.service=s\n'
  } >"$dir/generated-long-value.ini"
  {
    printf '#'
    head -c 16382 /dev/zero | tr '\0' 'c'
    printf '\r\nprovider.name=after the boundary\n'
  } >"$dir/generated-crlf-at-buffer-end.ini"
}

failed=0
# run <harness> <max_len>
run() {
  local name="$1" max_len="$2"
  local corpus="$build/corpus/$name" log="$build/logs/$name.log"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$name"/* "$corpus"/
  if [ "$name" = definition_file ]; then long_seeds "$corpus"; fi

  local start status=0
  start=$(date +%s)
  "$build/bin/${name}_fuzzer" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" "$corpus" >"$log" 2>&1 ||
    status=$?
  local elapsed=$(($(date +%s) - start))
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -eq 0 ]; then
    echo "$name: ${runs:-?} executions in ${elapsed} s, corpus $(find "$corpus" -type f | wc -l) inputs"
  else
    failed=1
    echo "$name: FAILED (exit $status) after ${runs:-?} executions in ${elapsed} s; log: $log" >&2
    grep -E 'check failed|ERROR:|SUMMARY:' "$log" | head -n 5 >&2 || true
    local unit
    unit=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
    if [ -n "$unit" ]; then
      echo "  reproducer: $unit (run: $build/bin/${name}_fuzzer $unit)" >&2
    fi
  fi
}

run definition_file 70000
run tstring 4096
run binary_headers 65536
exit "$failed"
