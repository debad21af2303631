#!/usr/bin/env bash
# Installs what is needed, builds, makes the bundled example database and
# exports it: the workbook lands in a dated folder under build/example/out.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
brevantis_install_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
mkdir -p build/example
build/tests/support/make-test-db build/example/sample.mdb --preset sample
mkdir -p build/example/out
build/cli/brevantis-cli export build/example/sample.mdb --to build/example/out
echo "Workbooks written to: $(ls -d "$PWD"/build/example/out/*/ | tail -n 1)"
