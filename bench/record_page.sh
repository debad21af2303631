#!/bin/bash
# The record browser's first page: time from selecting a table in the
# desktop program's tree to its first 100 rows painted, and Next and Prev,
# over the builder's "large" database (10 mixed columns), headless.
#   bench/record_page.sh [ROWS]     (default 1000000; BUILD=dir to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench-gui}
rows=${1:-1000000}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBREVANTIS_GUI=ON >/dev/null
cmake --build "$build" -j2 --target make-test-db record-page-bench >/dev/null
db="$build/bench-large-$rows.mdb"
[ -f "$db" ] || "$build/tests/support/make-test-db" "$db" --preset large --rows "$rows" >/dev/null

echo "file: $db ($(($(stat -c %s "$db") / 1048576)) MiB, $rows rows)"
QT_QPA_PLATFORM=offscreen "$build/bench/record-page-bench" "$db" LargeTable 2>&1 | grep -v '^QStandardPaths'
