#!/usr/bin/env bash
# Builds and runs the whole test suite (in build). With --sanitize, the same
# suite built with AddressSanitizer and UndefinedBehaviorSanitizer instead
# (in build-asan).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
brevantis_install_packages

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
  ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
}

if [ "${1:-}" = "--sanitize" ]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  run_suite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVANTIS_SANITIZE=ON
else
  run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
