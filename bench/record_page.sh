#!/bin/bash
# The desktop program headless: Recover (the analysis answered by the
# progress window's watchers) and the record browser's first page, the time
# from selecting a table in the tree to its first 100 rows painted, with Next
# and Prev; over the builder's "large" database (10 mixed columns).
#   bench/record_page.sh [ROWS]   (default 9800000, about 1 GiB; BUILD=dir to
#                                  choose the build, DB_DIR for the file)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench-gui}
rows=${1:-9800000}
db_dir=${DB_DIR:-$root/build-bench}  # shared with analysis.sh

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBREVANTIS_GUI=ON >/dev/null
cmake --build "$build" -j2 --target make-test-db record-page-bench >/dev/null
mkdir -p "$db_dir"
db="$db_dir/bench-large-$rows.mdb"
[ -f "$db" ] || "$build/tests/support/make-test-db" "$db" --preset large --rows "$rows" >/dev/null

echo "file: $db ($(($(stat -c %s "$db") / 1048576)) MiB, $rows rows)"
QT_QPA_PLATFORM=offscreen "$build/bench/record-page-bench" "$db" LargeTable 2>&1 | grep -v '^QStandardPaths'
