#!/bin/bash
# The workbook engine: 20 sheets x 65,536 rows x 10 text cells written
# through ExcelSession as the writers do, then saved (once), and the same
# workbook saved after every sheet and reopened before the next (reopen).
# Targets: once under 10 s and under 2 x file size + 64 MiB of memory;
# reopen under 3 x both. Peak memory from /usr/bin/time -v.
#   bench/xls.sh [DISTINCT]   (default 0: every text differs; BUILD=dir to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-xls-bench}
distinct=${1:-0}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBREVANTIS_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target xls-bench >/dev/null 2>&1

for mode in once reopen; do
  file="$out/$mode.xls"
  /usr/bin/time -v "$build/bench/xls-bench" "$mode" "$file" 20 65536 "$distinct" 2>"$out/time" | tee "$out/figures"
  rss_kib=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$out/time")
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$out/time")
  size=$(stat -c %s "$file")
  factor=1; [ "$mode" = reopen ] && factor=3
  awk -v rss="$rss_kib" -v size="$size" -v f="$factor" -v wall="$wall" -v mode="$mode" 'BEGIN {
    limit = f * (2 * size / 1048576 + 64)
    printf "%-7s wall %s, peak memory %.0f MiB (target under %.0f MiB), file %.1f MiB, time target under %d s\n",
           mode, wall, rss / 1024, limit, size / 1048576, f * 10 }'
done
