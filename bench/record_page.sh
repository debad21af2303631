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

. "$root/bench/large_db.sh"
bench_build "$build" ON record-page-bench
db=$(bench_large_db "$build" "$rows" "$db_dir")

echo "file: $db ($(($(stat -c %s "$db") / 1048576)) MiB, $rows rows)"
QT_QPA_PLATFORM=offscreen "$build/bench/record-page-bench" "$db" LargeTable 2>&1 | grep -v '^QStandardPaths'
