#!/bin/bash
# Throughput as files grow: the analysis, `rows --all` and the export in
# every format the command offers, each over the builder's "large" database
# at about 10 MiB, 100 MiB and 1 GiB, with processor time and peak memory.
# Target: no figure grows faster than the file, that is the seconds and the
# peak memory per MiB of each file are no higher than at the size before it
# (within 25% for the timing noise of a shared machine, and 64 MiB of memory
# that any run may take). A single run of a few seconds can take half as
# long again on a busy machine: each figure is the run with the least
# processor time of three (two for files of 256 MiB and more), with the
# highest peak memory of them.
#   bench/scaling.sh [SIZES]   (row counts; default "94000 940000 9800000";
#                               BUILD=dir to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
sizes=${1:-94000 940000 9800000}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

. "$root/bench/large_db.sh"
bench_build "$build" OFF brevantis-cli
cli="$build/cli/brevantis-cli"
# the formats the command's usage offers
formats=$({ "$cli" export 2>&1 || true; } | grep -o 'xls|[a-z|]*' | head -1 | tr '|' ' ')

# wall seconds, processor seconds and peak MiB of a command
measure() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -v "$@" >/dev/null 2>"$out/time" || { tail -5 "$out/time"; exit 1; }
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -F': ' '/User time/ { u = $2 } /System time/ { y = $2 }
    /Maximum resident set size/ { m = $2 } END { printf "%.2f %.2f %.0f\n", e - s, u + y, m / 1024 }' "$out/time"
}

echo "load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
printf "%-20s %9s %9s %9s %10s %9s %12s\n" figure "file MiB" "wall s" "cpu s" "MiB/s" "peak MiB" "cpu s / GiB"
for rows in $sizes; do
  db=$(bench_large_db "$build" "$rows")
  mib=$(($(stat -c %s "$db") / 1048576))
  tries=3
  [ "$mib" -ge 256 ] && tries=2
  run() {
    local name=$1 wall cpu peak w c p
    shift
    for try in $(seq "$tries"); do
      rm -rf "$out/export" && mkdir -p "$out/export"
      read -r w c p < <(measure "$@")
      if [ "$try" = 1 ] || awk -v a="$c" -v b="$cpu" 'BEGIN { exit !(a < b) }'; then wall=$w cpu=$c; fi
      if [ "$try" = 1 ] || [ "$p" -gt "$peak" ]; then peak=$p; fi
    done
    printf "%-20s %9d %9.2f %9.2f %10.0f %9d %12.2f\n" "$name" "$mib" "$wall" "$cpu" \
      "$(awk -v m="$mib" -v w="$wall" 'BEGIN { print m / w }')" "$peak" \
      "$(awk -v m="$mib" -v c="$cpu" 'BEGIN { print c * 1024 / m }')" | tee -a "$out/figures"
  }
  run analyze "$cli" analyze "$db"
  run rows-all "$cli" rows "$db" LargeTable --all
  for format in $formats; do
    run "export-$format" "$cli" export "$db" --to "$out/export" --format "$format"
  done
  # the script's other dialects, whose rows are written differently (COPY)
  for dialect in postgres mysql; do
    run "export-sql-$dialect" "$cli" export "$db" --to "$out/export" --format sql --dialect "$dialect"
  done
  rm -rf "$out/export"
done

# Each figure at each size against the size before it: the processor time
# per MiB no higher (within 25%, and the timer's 0.01 s), the peak memory
# no more than in proportion to the file (plus 64 MiB).
awk '{ n = ++count[$1]; mib[$1, n] = $2; cpu[$1, n] = $4; peak[$1, n] = $6
       if (n == 1) order[++figures] = $1 }
  END { for (i = 1; i <= figures; ++i) {
          f = order[i]
          for (n = 2; n <= count[f]; ++n) {
            if (mib[f, n] == mib[f, n - 1]) continue
            # the figure of a small file may be under the 0.01 s the timer tells apart
            time_ok = cpu[f, n] / mib[f, n] <= 1.25 * (cpu[f, n - 1] + 0.01) / mib[f, n - 1]
            mem_ok = peak[f, n] <= 64 + peak[f, n - 1] * mib[f, n] / mib[f, n - 1]
            printf "%-20s %5d -> %5d MiB: processor time per MiB %s, peak memory %s\n", f, mib[f, n - 1], mib[f, n],
                   time_ok ? "met" : "NOT met", mem_ok ? "met" : "NOT met" } } }' "$out/figures"
