#!/bin/bash
# The record browser's sort (by a number, a date and a text column) and find
# over the builder's "large" database of 2,000,000 rows (10 mixed columns),
# each against the 5 s the desktop program allows itself.
#   bench/sort_find.sh [ROWS]   (default 2000000; BUILD=dir to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench-gui}
rows=${1:-2000000}

. "$root/bench/large_db.sh"
bench_build "$build" ON sort-find-bench
db=$(bench_large_db "$build" "$rows")

echo "file: $db ($(($(stat -c %s "$db") / 1048576)) MiB, $rows rows)"
"$build/bench/sort-find-bench" "$db" LargeTable 2>&1 | grep -v '^QStandardPaths'
