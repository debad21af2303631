#!/usr/bin/env bash
# Recovery report: files refused, tables and rows that come back from damaged
# copies of the corpus of real files, per kind of damage (lost catalog, pages
# 1-5, garbled, zeroed and cut-off pages, encoded copies, bytes inserted after
# page 20, the first 64 KiB overwritten, CURRENCY columns whose type byte says
# LONG, a file cut to its header page). Every row of the
# sound files counts, those of refused files and lost definitions included.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=${1:-../shared/corpus}
[ -d "$corpus" ] || { echo "no corpus at $corpus"; exit 1; }
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBREVANTIS_GUI=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target recovery-report >/dev/null
build-bench/bench/recovery-report "$corpus"
