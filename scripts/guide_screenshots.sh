#!/bin/bash
# Takes the window screenshots again with the GUI tests and refreshes the
# ones the user guide shows (docs/guide-images). All of them stay in
# OUT (default build/screenshots).
#   scripts/guide_screenshots.sh [BUILD]   (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${OUT:-$build/screenshots}
mkdir -p "$out"
BREVANTIS_SCREENSHOT_DIR=$out ctest --test-dir "$build" -R '^gui_' -j2 --output-on-failure >/dev/null
for image in "$root"/docs/guide-images/*.png; do
  cp "$out/$(basename "$image")" "$image"
done
echo "screenshots in $out; $(ls "$root"/docs/guide-images | wc -l) refreshed in docs/guide-images"
