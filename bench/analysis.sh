#!/bin/bash
# Speed of the analysis: `brevantis-cli analyze` over a database of at least
# 1 GiB (the builder's "large" preset), next to `cat FILE > /dev/null` on the
# same warm file. Each is run several times; the best and the median are
# printed, and their ratio (target: analysis at most 1.2x cat). Then the same
# again while two busy processes share the two cores (target: at most 1.5x).
#   bench/analysis.sh [RUNS]   (default 7; BUILD=dir to choose the build)
# On a machine busy with other work, PRIORITY=fifo runs both commands under
# the real-time scheduler (chrt -f, needs root), which stands in for an idle
# machine; the lock-step handshake suffers most from waiting for a processor.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
runs=${1:-7}
rows=9800000  # about 1.05 GB

. "$root/bench/large_db.sh"
bench_build "$build" OFF brevantis-cli
db=$(bench_large_db "$build" "$rows")
size=$(stat -c %s "$db")
if [ "$size" -lt $((1 << 30)) ]; then
  echo "bench file is smaller than 1 GiB: $db" >&2
  exit 1
fi

run=()
[ "${PRIORITY:-}" = fifo ] && run=(chrt -f 10)

# Seconds taken by one run of the command given.
timed() {
  local start end
  start=$(date +%s.%N)
  "${run[@]}" "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f\n", e - s }'
}

# Best and median of the run times read from stdin.
best_median() { sort -n | awk '{ t[NR] = $1 } END { printf "%.3f %.3f\n", t[1], t[int((NR + 1) / 2)] }'; }

# Prints the figures of one round: cat and analyze, each timed $runs times.
measure() {
  local label=$1 target=$2 cat_best cat_median cli_best cli_median
  cat "$db" >/dev/null  # warm the page cache
  cat "$db" >/dev/null
  read -r cat_best cat_median < <(for _ in $(seq "$runs"); do timed cat "$db"; done | best_median)
  read -r cli_best cli_median < <(for _ in $(seq "$runs"); do timed "$build/cli/brevantis-cli" analyze "$db"; done | best_median)
  echo "$label (load average before: $(cut -d' ' -f1-3 /proc/loadavg))${run:+, run under ${run[*]}}"
  printf "  %-26s best %7.3f s   median %7.3f s\n" "cat FILE > /dev/null" "$cat_best" "$cat_median"
  printf "  %-26s best %7.3f s   median %7.3f s\n" "brevantis-cli analyze" "$cli_best" "$cli_median"
  awk -v a="$cli_best" -v c="$cat_best" -v am="$cli_median" -v cm="$cat_median" \
    -v t="$target" 'BEGIN { printf "  ratio analyze / cat        best %7.2f     median %7.2f     (target <= %s)\n", a / c, am / cm, t }'
}

echo "file: $db ($((size / 1048576)) MiB, $((size / 4096)) pages)"
measure "as the machine is" 1.2

# Two processes that never sleep, one per core.
busy=()
for _ in 1 2; do
  sh -c 'while :; do :; done' &
  busy+=($!)
done
trap 'kill "${busy[@]}" 2>/dev/null' EXIT
measure "with two busy processes on the two cores" 1.5
