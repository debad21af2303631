# Installs the Debian packages the project needs, when any is missing.
# Sourced by setup.sh and test.sh; idempotent.
BREVANTIS_PACKAGES="cmake g++ make dpkg-dev file libgtest-dev zlib1g-dev qt6-base-dev qt6-base-dev-tools qt6-svg-dev fonts-dejavu-core fonts-wqy-microhei libssl-dev libsqlite3-dev sqlite3 libpq-dev postgresql mariadb-server mariadb-client python3-xlrd python3-openpyxl libreoffice-calc-nogui gnumeric mdbtools nodejs"

brevantis_install_packages() {
  local missing=""
  for p in $BREVANTIS_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing:$missing"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

# The npm package mdb-reader, an independent reader the builder's files are
# checked against. Without the registry its tests skip, saying why.
brevantis_install_mdb_reader() {
  local prefix=${BREVANTIS_MDB_READER:-/tmp/mdbr}
  [ -f "$prefix/node_modules/mdb-reader/package.json" ] && return 0
  # Debian's nodejs comes without npm; other builds of node carry their own.
  if ! command -v npm >/dev/null; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null || true
  fi
  npm install --silent --no-audit --no-fund --prefix "$prefix" mdb-reader@3.2.0 >/dev/null 2>&1 ||
    echo "mdb-reader could not be installed: its checks will be skipped" >&2
}
