#!/usr/bin/env bash
# Installs what is needed, builds, makes the bundled example database and
# runs the command-line program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
brevantis_install_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
mkdir -p build/example
build/tests/support/make-test-db build/example/sample.mdb --preset sample
build/cli/brevantis-cli analyze build/example/sample.mdb
