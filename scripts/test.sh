#!/usr/bin/env bash
# Builds and runs the whole test suite (in build). With --sanitize, the same
# suite built with AddressSanitizer and UndefinedBehaviorSanitizer instead
# (in build-asan).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
brevantis_install_packages
brevantis_install_mdb_reader

# run_suite BUILD_DIR "CTEST ARGS" CMAKE ARGS...
run_suite() {
  local dir=$1 ctest_args=$2
  shift 2
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
  ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" $ctest_args
}

if [ "${1:-}" = "--sanitize" ]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  # The slow tests hand 400 MB workbooks to the spreadsheet readers: that
  # checks the files, not our memory handling, and runs in the plain build.
  run_suite build-asan "-LE slow" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVANTIS_SANITIZE=ON
else
  run_suite build "" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
