#!/usr/bin/env bash
# Writes the benchmark tables bench/data/rows_<N>.csv (N rows x 8 numeric
# dimensions, fixed seed) for N = 10^3 ... 10^6, unless present,
# rows_10000000.csv (the 10^6 rows ten times) and rows_1000000_quoted.csv:
# the 10^6 table with every field in double quotes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$root/bench/data"
for rows in 1000 10000 100000 1000000; do
  out="$root/bench/data/rows_$rows.csv"
  [[ -s "$out" ]] && continue
  awk -v rows="$rows" 'BEGIN {
    srand(20261206);
    print "d0,d1,d2,d3,d4,d5,d6,d7";
    for (i = 0; i < rows; i++) {
      printf "%.3f,%.2f,%d,%.4f,%.1f,%.3f,%d,%.2f\n",
        rand() * 100, rand() * 50 - 25, int(rand() * 1000), rand(), rand() * 5000,
        rand() * rand() * 10, int(rand() * 8), rand() * 300 + 1000;
    }
  }' > "$out.tmp"
  mv "$out.tmp" "$out"
done
# 10^7 rows for the labelling benchmark: the 10^6 rows ten times over.
big="$root/bench/data/rows_10000000.csv"
if [[ ! -s "$big" ]]; then
  { head -n 1 "$root/bench/data/rows_1000000.csv"
    for copy in 1 2 3 4 5 6 7 8 9 10; do tail -n +2 "$root/bench/data/rows_1000000.csv"; done; } > "$big.tmp"
  mv "$big.tmp" "$big"
fi
quoted="$root/bench/data/rows_1000000_quoted.csv"
if [[ ! -s "$quoted" ]]; then
  sed 's/[^,]*/"&"/g' "$root/bench/data/rows_1000000.csv" > "$quoted.tmp"
  mv "$quoted.tmp" "$quoted"
fi
