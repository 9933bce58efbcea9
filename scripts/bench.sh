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
# The same for the real program as a user runs it (a session with the three operators).
"$root/scripts/with-xvfb.sh" "$root/build/bench/program_peak_memory" "$root/build/strands" "$root/bench/data/rows_1000000.csv"
"$root/scripts/with-xvfb.sh" "$root/build/bench/graph_frame_bench"
# Reading sessions of about 40 MB: peak memory of the reader beside a whole parsed document.
"$root/build/bench/session_peak_memory" "$root/DataSet/cars.csv" "$root/bench/data/rows_1000000.csv"
# A session of 20000 operator-tree nodes opened in the main window.
"$root/scripts/with-xvfb.sh" "$root/build/bench/large_session_bench" 20000
# The edit history on the 10^6-item table: its memory and the time of a step.
"$root/build/bench/history_memory" "$root/bench/data/rows_1000000.csv"
# Labelling by a session (--apply): MB/s per core beside a plain read, peak memory at 10^6 and 10^7 rows.
"$root/build/bench/apply_bench" "$root/build/strands" "$root/bench/data/rows_10000.csv" \
  "$root/bench/data/rows_1000000.csv" "$root/bench/data/rows_10000000.csv"
