#!/bin/bash
# cmake --install into a scratch prefix: the programs, the desktop entry,
# the icon, the user guide and the man page land where the package puts
# them, and the installed command line runs from there.
#   install_test.sh BUILD_DIR VERSION GUI(ON|OFF)
set -euo pipefail
build=$1 version=$2 gui=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
[ "$("$prefix/bin/brevantis-cli" --version)" = "brevantis-cli $version" ]
files="share/brevantis/user-guide.html share/man/man1/brevantis-cli.1"
[ "$gui" = ON ] && files="$files bin/brevantis share/applications/brevantis.desktop share/icons/hicolor/48x48/apps/brevantis.png"
for f in $files; do
  [ -s "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
grep -q "brevantis $version" "$prefix/share/man/man1/brevantis-cli.1"
echo OK
