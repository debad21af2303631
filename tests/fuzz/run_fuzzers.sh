#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each
# for a given time. Seeds: the builder's presets and, when present, the
# corpus of real files. Prints executions, coverage and findings per target;
# findings (crash-*, leak-*, timeout-*, oom-*) are left in OUT/<target>/.
#
#   tests/fuzz/run_fuzzers.sh [SECONDS_PER_TARGET] [OUT]
# TARGETS="analysis_fuzzer ..." builds and runs only those; SKIP_BUILD=1 uses the
# targets already built (for a second run side by side with the first).
# Each finding that is a real fault belongs in regressions/<target>/, which
# the normal test suite replays.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
out=$(realpath -m "${2:-build-fuzz/runs}")

for p in clang libclang-rt-14-dev cmake; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="${missing:-} $p"
done
if [ -n "${missing:-}" ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi

if [ -z "${SKIP_BUILD:-}" ]; then
  cmake -S . -B build-fuzz -DBREVANTIS_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build-fuzz -j"$(nproc)" --target ${TARGETS:-analysis_fuzzer table_definition_fuzzer data_page_fuzzer encryption_info_fuzzer query_sql_fuzzer} >/dev/null
  # The builder itself is built normally.
  cmake -S . -B build -DBREVANTIS_GUI=OFF >/dev/null
  cmake --build build -j"$(nproc)" --target make-test-db >/dev/null
fi

mkdir -p "$out/seeds/analysis" "$out/seeds/pages" "$out/seeds/definitions" "$out/seeds/encryption" "$out/seeds/queries" "$out/encrypted"
for preset in sample all-types ace-types many-tables no-catalog; do
  build/tests/support/make-test-db "$out/seeds/analysis/$preset.mdb" --preset "$preset" --rows 300 --tables 5 >/dev/null
  build/tests/support/make-test-db "$out/seeds/analysis/$preset-97.mdb" --preset "$preset" --rows 300 --tables 5 \
    --jet3 >/dev/null
done
build/tests/support/make-test-db "$out/seeds/analysis/access97.mdb" --preset access97 >/dev/null
for scheme in agile agile-sha1 rc4 rc4-40 standard nonstandard; do
  build/tests/support/make-test-db "$out/encrypted/$scheme.accdb" --preset sample --rows 5 \
    --encrypt $scheme --password password >/dev/null
done
corpus=../shared/corpus
if [ -d "$corpus" ]; then
  # Small real files only: every input is analysed whole on each run.
  find "$corpus" -name '*.mdb' -size -400k -exec cp {} "$out/seeds/analysis/" \;
fi
# Pages and definitions cut out of the seed files: data pages (type 1) and
# table-definition pages (type 2); the encryption descriptions of encrypted
# files (the length word at 0x299 and what it counts).
python3 - "$out/seeds" "$out/encrypted" "$corpus" <<'PY'
import glob, os, sys
seeds = sys.argv[1]
for name in glob.glob(os.path.join(sys.argv[2], "*")) + glob.glob(os.path.join(sys.argv[3], "*enc*.accdb")):
    head = open(name, "rb").read(4096)
    length = head[0x299] | head[0x29A] << 8
    open(os.path.join(seeds, "encryption", os.path.basename(name)), "wb").write(head[0x299:0x29B + length])
n = 0
for name in sorted(os.listdir(os.path.join(seeds, "analysis"))):
    data = open(os.path.join(seeds, "analysis", name), "rb").read()
    # Access 97 files (version byte 0) have pages of 2048 bytes.
    size = 2048 if len(data) > 0x14 and data[0x14] == 0 else 4096
    for i in range(len(data) // size):
        page = data[i * size:(i + 1) * size]
        kind = {1: "pages", 2: "definitions"}.get(page[0])
        if kind and n < 4000:
            open(os.path.join(seeds, kind, f"{name}-{i}"), "wb").write(page)
            n += 1
PY

# Saved queries: the MSysQueries rows of the corpus's files, one seed a
# query, in the query fuzzer's own encoding (see query_sql_fuzzer.cpp).
cp tests/fuzz/regressions/query_sql_fuzzer/* "$out/seeds/queries/"
if [ -d "$corpus" ] && command -v mdb-export >/dev/null; then
  for f in "$corpus"/*.mdb "$corpus"/*.accdb; do
    mdb-export "$f" MSysQueries 2>/dev/null > "$out/seeds/queries.csv" || continue
    python3 - "$out/seeds/queries.csv" "$out/seeds/queries/$(basename "$f")" <<'PY'
import csv, struct, sys
groups = {}
for row in csv.DictReader(open(sys.argv[1], newline='', errors='replace')):
    groups.setdefault(row['ObjectId'], []).append(row)
for n, rows in enumerate(groups.values()):
    out = bytearray([0])
    for r in rows:
        text = lambda k: (r.get(k) or '').encode()[:255]
        expr = (r.get('Expression') or '').encode()[:65535]
        flag = int(r.get('Flag') or 0) & 0xFFFF
        out += bytes([int(r['Attribute']) & 0xFF]) + struct.pack('<H', flag) + bytes([0])
        out += bytes([len(text('Name1'))]) + text('Name1') + bytes([len(text('Name2'))]) + text('Name2')
        out += struct.pack('<H', len(expr)) + expr
    open(f"{sys.argv[2]}-{n}", 'wb').write(out)
PY
  done
fi

bin=$(pwd)/build-fuzz/tests/fuzz
printf '\n%-26s %12s %10s %10s %10s %s\n' target executions 'execs/s' coverage features findings
for target in ${TARGETS:-analysis_fuzzer table_definition_fuzzer data_page_fuzzer encryption_info_fuzzer query_sql_fuzzer}; do
  case $target in
    analysis_fuzzer) seed=analysis; maxlen=400000 ;;
    table_definition_fuzzer) seed=definitions; maxlen=65536 ;;
    data_page_fuzzer) seed=pages; maxlen=16384 ;;
    encryption_info_fuzzer) seed=encryption; maxlen=4096 ;;
    query_sql_fuzzer) seed=queries; maxlen=16384 ;;
  esac
  work="$out/$target"
  mkdir -p "$work/corpus"
  log="$work/fuzz.log"
  (cd "$work" && "$bin/$target" -max_total_time="$seconds" -max_len=$maxlen \
      -timeout=30 -rss_limit_mb=4096 -close_fd_mask=2 -print_final_stats=1 \
      corpus "$out/seeds/$seed" >"$log" 2>&1) || true
  execs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || echo "?")
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || echo "?")
  findings=$(ls "$work" | { grep -cE '^(crash|leak|timeout|oom|slow-unit)-' || true; })
  secs=$(grep -oE 'Done [0-9]+ runs in [0-9]+ second' "$log" | grep -oE '[0-9]+ second' | grep -oE '[0-9]+' || echo "$seconds")
  rate=$(awk -v e="$execs" -v s="$secs" 'BEGIN { if (e ~ /^[0-9]+$/ && s > 0) printf "%d", e / s; else print "?" }')
  printf '%-26s %12s %10s %10s %10s %s\n' "$target" "$execs" "$rate" "$cov" "$ft" "$findings"
done
