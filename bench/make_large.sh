#!/bin/sh
# Times make-test-db writing the "large" preset, by default just over 1 GiB,
# and prints its size, time and peak memory. The target is under a minute.
#   bench/make_large.sh [MAKE_TEST_DB] [ROWS] [OUT]
set -eu
tool=${1:-build/tests/support/make-test-db}
rows=${2:-9800000}
out=${3:-${TMPDIR:-/tmp}/brevantis-large.mdb}
[ -x "$tool" ] || { echo "make_large.sh: no executable $tool (build the make-test-db target)" >&2; exit 1; }

stats=$(mktemp)
/usr/bin/time -f '%e %M' -o "$stats" "$tool" "$out" --preset large --rows "$rows" >/dev/null
read -r seconds peak_kb < "$stats"
bytes=$(stat -c %s "$out")
rm -f "$stats" "$out"
echo "make-test-db large: rows=$rows bytes=$bytes seconds=$seconds peak_rss_kb=$peak_kb"
awk -v b="$bytes" -v s="$seconds" 'BEGIN { printf "  %.2f GiB in %.1f s (%.0f MB/s); target: >= 1 GiB in < 60 s: %s\n", b / 1073741824, s, b / 1e6 / s, (b >= 1073741824 && s < 60) ? "met" : "NOT met" }'
