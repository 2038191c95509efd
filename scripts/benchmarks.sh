#!/usr/bin/env bash
# Builds the benchmarks with the "bench" preset (Release), runs them and
# writes BENCHMARKS.md: every result beside its baseline as a ratio, each
# target met or missed, with the machine and the date. A run takes a few
# minutes; it is not part of scripts/test.sh.
#
# QUOR_BENCH_MIN_TIME (seconds per benchmark and repetition, default 0.2) and
# QUOR_BENCH_REPETITIONS (default 5) trade time for steadier numbers.
#
# BENCHMARKS.md names the commit it was measured from, so the run refuses a
# work tree with uncommitted changes (BENCHMARKS.md aside), before building
# and again when it writes the report. QUOR_BENCH_ALLOW_UNCOMMITTED=1 runs
# anyway and marks the report as made from no commit.
set -euo pipefail
cd "$(dirname "$0")/.."

allow=()
[ "${QUOR_BENCH_ALLOW_UNCOMMITTED:-0}" = 1 ] && allow=(--allow-uncommitted)
python3 bench/report.py --check-source "${allow[@]}" >/dev/null
commit=$(git rev-parse HEAD)

scripts/install-deps.sh
scripts/install-deps.sh benchmarks

cmake --preset bench
cmake --build --preset bench

results=build/bench/results
rm -rf "$results"
mkdir -p "$results"
# Repetitions run in random order, so that a change in the machine's load
# falls on a benchmark and its baseline alike; the report takes the median
# repetition of each. The console shows the aggregates only.
options=(
  --benchmark_min_time="${QUOR_BENCH_MIN_TIME:-0.2}"
  --benchmark_repetitions="${QUOR_BENCH_REPETITIONS:-5}"
  --benchmark_enable_random_interleaving=true
  --benchmark_display_aggregates_only=true
)
# The C runtime's heap keeps the memory it is given back: otherwise it returns
# large freed blocks to the system and faults them in again on the next
# iteration, and the benchmarks that copy megabytes would time the kernel, not
# the code. ZOLOG_LEVEL=0 keeps the library's attach notice off the console;
# the benchmarks that log set the mask they measure, and those that write
# lines to a file set ZOLOG_FILE to one of their own (bench/log_files.h).
export GLIBC_TUNABLES=glibc.malloc.trim_threshold=1073741824:glibc.malloc.mmap_threshold=33554432
for program in quor_benchmarks quor_internal_benchmarks; do
  echo "Running $program"
  ZOLOG_LEVEL=0 "build/bench/bin/$program" "${options[@]}" \
    --benchmark_out="$results/$program.json" --benchmark_out_format=json
done

python3 bench/report.py --build-dir build/bench --notes bench/notes.md --output BENCHMARKS.md \
  --source-commit "$commit" "${allow[@]}" \
  --run-options "GLIBC_TUNABLES=$GLIBC_TUNABLES ${options[*]}" "$results"/*.json
echo "Wrote BENCHMARKS.md"
