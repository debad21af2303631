# Sourced by the benchmarks: builds TARGETS in a Release tree and makes the
# builder's "large" database of ROWS rows there once, kept for later runs.
#   bench_build BUILD_DIR GUI(ON|OFF) TARGET...
#   bench_large_db BUILD_DIR ROWS [DB_DIR]   (prints the file's path)
bench_build() {
  local build=$1 gui=$2
  shift 2
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBREVANTIS_GUI="$gui" >/dev/null
  cmake --build "$build" -j2 --target make-test-db "$@" >/dev/null
}

bench_large_db() {
  local build=$1 rows=$2 dir=${3:-$1}
  local db="$dir/bench-large-$rows.mdb"
  mkdir -p "$dir"
  [ -f "$db" ] || "$build/tests/support/make-test-db" "$db" --preset large --rows "$rows" >/dev/null
  echo "$db"
}
