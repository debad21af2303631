#!/bin/bash
# .xlsx export of the builder's "large" database (1 million rows of 10
# mixed columns, one table) against mdbtools' mdb-export writing the same
# table as CSV, with the peak memory of each from /usr/bin/time -v.
# Targets: at least as fast as mdb-export; peak memory under 128 MiB
# whatever the table's size.
#   bench/xlsx.sh [ROWS]   (default 1000000; BUILD=dir to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
rows=${1:-1000000}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
command -v mdb-export >/dev/null || { echo "SKIP: mdb-export (mdbtools) not installed"; exit 0; }

. "$root/bench/large_db.sh"
bench_build "$build" OFF brevantis-cli
db=$(bench_large_db "$build" "$rows")
table=$(mdb-tables -1 "$db" | head -1)
echo "file: $db ($(($(stat -c %s "$db") / 1048576)) MiB, $rows rows, table $table)"
echo "load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"

# wall seconds, peak MiB and processor seconds (user + system) of a command;
# processor time stays comparable when other work shares the machine
measure() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -v "$@" >"$out/stdout" 2>"$out/time" || { tail -5 "$out/time"; exit 1; }
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -F': ' '/User time/ { u = $2 } /System time/ { y = $2 }
    /Maximum resident set size/ { m = $2 } END { printf "%.2f %.0f %.2f\n", e - s, m / 1024, u + y }' "$out/time"
}

mkdir -p "$out/xlsx"
read -r ours ours_mib ours_cpu < <(measure "$build/cli/brevantis-cli" export "$db" --to "$out/xlsx" --format xlsx)
book=$(find "$out/xlsx" -name '*.xlsx' -printf '%s\n' | sort -n | tail -1)
# the workbook read back: every zip entry inflated against its CRC, and the
# sheets' rows counted
check=$(/usr/bin/python3 - "$out/xlsx" <<'EOF'
import glob, re, sys, zipfile
for path in glob.glob(sys.argv[1] + "/**/*.xlsx", recursive=True):
    with zipfile.ZipFile(path) as z:
        bad = z.testzip()
        rows = sum(len(re.findall(rb"<row ", z.read(n))) for n in z.namelist() if n.startswith("xl/worksheets/"))
    print("%s: %s, %d rows with the headers" % (path.rsplit("/", 1)[-1], "zip entries intact" if bad is None else "DAMAGED " + bad, rows))
EOF
)
read -r theirs theirs_mib theirs_cpu < <(measure mdb-export "$db" "$table")
csv=$(stat -c %s "$out/stdout")
awk -v a="$ours" -v am="$ours_mib" -v ac="$ours_cpu" -v b="$theirs" -v bm="$theirs_mib" -v bc="$theirs_cpu" \
    -v n="$rows" -v book="$book" -v csv="$csv" 'BEGIN {
  printf "export --format xlsx %7.2f s (processor %6.2f s)  %8.0f rows/s  peak %4.0f MiB  (workbook %.1f MiB)\n", a, ac, n / a, am, book / 1048576
  printf "mdb-export (CSV)     %7.2f s (processor %6.2f s)  %8.0f rows/s  peak %4.0f MiB  (CSV %.1f MiB)\n", b, bc, n / b, bm, csv / 1048576
  printf "speed: %.2fx mdb-export by the clock, %.2fx by processor time (target >= 1: %s); peak memory (target < 128 MiB: %s)\n",
         b / a, bc / ac, (b / a >= 1 ? "met" : "NOT met"), (am < 128 ? "met" : "NOT met") }'
echo "$check"
