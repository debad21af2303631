#!/bin/bash
# Rows per second of `brevantis-cli export` (analysis included) over the
# builder's "large" database (1 million rows of 10 mixed columns), in both
# workbook modes, and its peak memory from /usr/bin/time -v. Targets: at
# least 300,000 rows/s; peak memory under 2 x the largest workbook written
# plus 64 MiB.
#   bench/export.sh [ROWS]   (default 1000000; BUILD=dir to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
rows=${1:-1000000}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

. "$root/bench/large_db.sh"
bench_build "$build" OFF brevantis-cli
db=$(bench_large_db "$build" "$rows")
echo "file: $db ($(($(stat -c %s "$db") / 1048576)) MiB, $rows rows)"
echo "load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"

for mode in per-database per-table; do
  destination="$out/$mode"
  mkdir -p "$destination"
  flag=(); [ "$mode" = per-table ] && flag=(--per-table)
  start=$(date +%s.%N)
  /usr/bin/time -v "$build/cli/brevantis-cli" export "$db" --to "$destination" "${flag[@]}" \
    >/dev/null 2>"$out/time" || { tail -5 "$out/time"; exit 1; }
  end=$(date +%s.%N)
  rss_kib=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$out/time")
  largest=$(find "$destination" -name '*.xls' -printf '%s\n' | sort -n | tail -1)
  files=$(find "$destination" -name '*.xls' | wc -l)
  awk -v s="$start" -v e="$end" -v n="$rows" -v rss="$rss_kib" -v big="$largest" -v files="$files" -v mode="$mode" 'BEGIN {
    t = e - s; limit = 2 * big / 1048576 + 64
    printf "%-13s %7.2f s  %8.0f rows/s (target >= 300000: %s)  peak %5.0f MiB (target < %.0f MiB: %s)  %d workbook(s), largest %.1f MiB\n",
           mode, t, n / t, (n / t >= 300000 ? "met" : "NOT met"), rss / 1024, limit,
           (rss / 1024 < limit ? "met" : "NOT met"), files, big / 1048576 }'
done
