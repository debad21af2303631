#!/bin/bash
# SQLite export of the builder's "large" database (one table of 10 mixed
# columns, a primary key and an index) against mdbtools doing the same: mdb-schema's sqlite DDL and
# mdb-export -I sqlite piped into sqlite3. Peak memory of the export at a
# tenth of the rows and at all of them, to show it stays flat. Target: at
# least 3x faster than mdbtools.
#   bench/sqlite.sh [ROWS]   (default 3000000; BUILD=dir to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
rows=${1:-3000000}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for tool in mdb-export mdb-schema sqlite3; do
  command -v $tool >/dev/null || { echo "SKIP: $tool not installed"; exit 0; }
done

. "$root/bench/large_db.sh"
bench_build "$build" OFF brevantis-cli
# In a folder of their own: files made before the table had its key and
# index would leave them out.
db=$(bench_large_db "$build" "$rows" "$build/keyed")
small=$(bench_large_db "$build" $((rows / 10)) "$build/keyed")
table=$(mdb-tables -1 "$db" | head -1)
echo "file: $db ($(($(stat -c %s "$db") / 1048576)) MiB, $rows rows, table $table)"
echo "load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"

# wall seconds, peak MiB and processor seconds (user + system, children
# included) of a command
measure() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -v "$@" >/dev/null 2>"$out/time" || { tail -5 "$out/time"; exit 1; }
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -F': ' '/User time/ { u = $2 } /System time/ { y = $2 }
    /Maximum resident set size/ { m = $2 } END { printf "%.2f %.0f %.2f\n", e - s, m / 1024, u + y }' "$out/time"
}

mkdir -p "$out/small" "$out/ours"
read -r _ small_mib _ < <(measure "$build/cli/brevantis-cli" export "$small" --to "$out/small" --format sqlite)
read -r ours ours_mib ours_cpu < <(measure "$build/cli/brevantis-cli" export "$db" --to "$out/ours" --format sqlite)
ours_rows=$(sqlite3 "$(find "$out/ours" -name '*.sqlite')" "SELECT count(*) FROM \"$table\"")
read -r theirs theirs_mib theirs_cpu < <(measure bash -c \
  "{ mdb-schema '$db' sqlite; mdb-export -I sqlite '$db' '$table'; } | sqlite3 '$out/theirs.sqlite'")
theirs_rows=$(sqlite3 "$out/theirs.sqlite" "SELECT count(*) FROM \`$table\`")
awk -v a="$ours" -v am="$ours_mib" -v ac="$ours_cpu" -v b="$theirs" -v bm="$theirs_mib" -v bc="$theirs_cpu" \
    -v n="$rows" -v sm="$small_mib" -v ar="$ours_rows" -v br="$theirs_rows" 'BEGIN {
  printf "export --format sqlite          %7.2f s (processor %6.2f s)  %8.0f rows/s  peak %4.0f MiB  (%d rows loaded)\n", a, ac, n / a, am, ar
  printf "mdb-schema + mdb-export | sqlite3 %7.2f s (processor %6.2f s)  %8.0f rows/s  peak %4.0f MiB  (%d rows loaded)\n", b, bc, n / b, bm, br
  printf "speed: %.2fx mdbtools by the clock, %.2fx by processor time (target >= 3: %s)\n", b / a, bc / ac, (b / a >= 3 ? "met" : "NOT met")
  printf "memory: peak %.0f MiB at %d rows, %.0f MiB at %d rows (flat: %s)\n", sm, n / 10, am, n, (am < sm * 1.25 + 8 ? "yes" : "NO") }'
