#!/bin/bash
# What a password costs: `brevantis-cli analyze` over the same database plain
# and encrypted with each scheme (the builder's "large" preset, about 200 MB
# by default). The difference over the pages is the price of decrypting one
# page; on a file of a few pages, the difference is the price of opening it
# (the password's hash rounds: 100,000 SHA-512 for Agile, 50,000 SHA-1 for
# Standard, none for RC4 CryptoAPI).
#   bench/encrypted.sh [ROWS] [RUNS]   (defaults 1800000, 5; BUILD=dir)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
rows=${1:-1800000}
runs=${2:-5}
schemes="agile agile-sha1 rc4 rc4-40 standard nonstandard"

. "$root/bench/large_db.sh"
bench_build "$build" OFF brevantis-cli
cli=$build/cli/brevantis-cli
dir=$build/encrypted
mkdir -p "$dir"

# Best of $runs wall-clock seconds for one analysis.
best() {
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$cli" analyze "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f\n", e - s }'
  done | sort -n | head -1
}

# One database: plain, and a copy per scheme (kept between runs).
make_set() {
  local name=$1 preset=$2 count=$3
  [ -f "$dir/$name.mdb" ] || "$build/tests/support/make-test-db" "$dir/$name.mdb" --preset "$preset" --rows "$count" >/dev/null
  for scheme in $schemes; do
    [ -f "$dir/$name-$scheme.accdb" ] || "$build/tests/support/make-test-db" "$dir/$name-$scheme.accdb" \
      --preset "$preset" --rows "$count" --encrypt "$scheme" --password bench >/dev/null
  done
}

make_set small sample 10
make_set large large "$rows"
pages=$(($(stat -c %s "$dir/large.mdb") / 4096))
small_plain=$(best "$dir/small.mdb")
large_plain=$(best "$dir/large.mdb")
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); large file: $pages pages"
printf "  %-12s %10s %10s %14s\n" scheme "open (ms)" "large (s)" "per page (us)"
printf "  %-12s %10s %10.3f %14s\n" plain "-" "$large_plain" "-"
for scheme in $schemes; do
  small=$(best "$dir/small-$scheme.accdb" --password bench)
  large=$(best "$dir/large-$scheme.accdb" --password bench)
  awk -v s="$small" -v sp="$small_plain" -v l="$large" -v lp="$large_plain" -v p="$pages" -v n="$scheme" \
    'BEGIN { printf "  %-12s %10.1f %10.3f %14.2f\n", n, (s - sp) * 1000, l, (l - lp - (s - sp)) / p * 1e6 }'
done
