#!/bin/bash
# .xls export of the builder's "large" database (3 million rows of 10 mixed
# columns, one table, per database) against mdbtools' mdb-export writing the
# same table as CSV, run side by side (A B A B ...), with the peak memory of
# each from /usr/bin/time -v. Targets: at least 3x mdb-export's rows per
# second; peak memory no higher than the 527 MiB the export took before its
# workbook engine was reworked.
# The machine's speed drifts between pairs: the median of the pairs' ratios
# is printed last.
#   bench/xls_export.sh [ROWS] [PAIRS]   (defaults 3000000 and 3; BUILD=dir to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
rows=${1:-3000000}
pairs=${2:-3}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
command -v mdb-export >/dev/null || { echo "SKIP: mdb-export (mdbtools) not installed"; exit 0; }

. "$root/bench/large_db.sh"
bench_build "$build" OFF brevantis-cli
db=$(bench_large_db "$build" "$rows")
table=$(mdb-tables -1 "$db" | head -1)
echo "file: $db ($(($(stat -c %s "$db") / 1048576)) MiB, $rows rows, table $table)"

# wall seconds, processor seconds (user + system) and peak MiB of a command
measure() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -v "$@" >"$out/stdout" 2>"$out/time" || { tail -5 "$out/time"; exit 1; }
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -F': ' '/User time/ { u = $2 } /System time/ { y = $2 }
    /Maximum resident set size/ { m = $2 } END { printf "%.2f %.2f %.0f\n", e - s, u + y, m / 1024 }' "$out/time"
}

ratios=()
for pair in $(seq "$pairs"); do
  echo "pair $pair, load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
  rm -rf "$out/xls" && mkdir -p "$out/xls"
  read -r ours ours_cpu ours_mib < <(measure "$build/cli/brevantis-cli" export "$db" --to "$out/xls")
  read -r theirs theirs_cpu theirs_mib < <(measure mdb-export "$db" "$table")
  awk -v a="$ours" -v ac="$ours_cpu" -v am="$ours_mib" -v b="$theirs" -v bc="$theirs_cpu" -v bm="$theirs_mib" \
      -v n="$rows" 'BEGIN {
    printf "  export (.xls)    %7.2f s (processor %6.2f s)  %8.0f rows/s  peak %4.0f MiB\n", a, ac, n / a, am
    printf "  mdb-export (CSV) %7.2f s (processor %6.2f s)  %8.0f rows/s  peak %4.0f MiB\n", b, bc, n / b, bm
    printf "  speed: %.2fx mdb-export by the clock, %.2fx by processor time (target >= 3: %s); peak memory (target <= 527 MiB: %s)\n",
           b / a, bc / ac, (b / a >= 3 ? "met" : "NOT met"), (am <= 527 ? "met" : "NOT met") }'
  ratios+=("$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", b / a }')")
done
printf '%s\n' "${ratios[@]}" | sort -n | awk '{ r[NR] = $1 } END {
  m = NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2
  printf "median of %d pairs: %.2fx mdb-export by the clock (target >= 3: %s)\n", NR, m, (m >= 3 ? "met" : "NOT met") }'
