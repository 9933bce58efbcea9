#!/usr/bin/env bash
# Builds Strands, writes the benchmark tables and runs the benchmarks whose
# figures the README quotes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" test
"$root/scripts/build.sh" release
"$root/scripts/make-bench-tables.sh"
cd "$root"
export STRANDS_BENCH_DATA="$root/bench/data"
"$root/build/bench/loader_bench" --benchmark_min_time=1
for rows in 10000 100000 1000000; do
  "$root/build/bench/load_peak_memory" "$root/bench/data/rows_$rows.csv"
done
"$root/build/bench/regrouping_bench"
"$root/scripts/with-xvfb.sh" "$root/build/bench/frame_bench"
# Whole-process peak memory with three operators, the lines drawn: a fresh process per table.
for rows in 100000 1000000; do
  "$root/scripts/with-xvfb.sh" "$root/build/bench/view_peak_memory" "$root/bench/data/rows_$rows.csv"
done
"$root/scripts/with-xvfb.sh" "$root/build/bench/graph_frame_bench"
