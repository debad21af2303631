#!/bin/bash
# Rows per second of `brevantis-cli rows --all` over the builder's "large"
# database (10 mixed columns), output to /dev/null, on one thread.
#   bench/rows.sh [ROWS]     (default 1000000; BUILD=dir to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
rows=${1:-1000000}

. "$root/bench/large_db.sh"
bench_build "$build" OFF rows-bench
db=$(bench_large_db "$build" "$rows")

echo "file: $db ($(($(stat -c %s "$db") / 1048576)) MiB, $rows rows)"
# The row phase alone, as the command runs it after the analysis.
"$build/bench/rows-bench" "$db" LargeTable 2>&1 >/dev/null | grep -E '^(analysis|rows) '

# The whole command, analysis included, when the program links.
if cmake --build "$build" -j2 --target brevantis-cli >/dev/null 2>&1; then
  start=$(date +%s.%N)
  "$build/cli/brevantis-cli" rows "$db" LargeTable --all >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v n="$rows" \
    'BEGIN { printf "whole command      %8.3f s  %d rows  %.0f rows/s\n", e - s, n, n / (e - s) }'
else
  echo "whole command      (brevantis-cli does not build)"
fi
