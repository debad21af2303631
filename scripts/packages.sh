# Installs the Debian packages the project needs, when any is missing.
# Sourced by setup.sh and test.sh; idempotent.
BREVANTIS_PACKAGES="cmake g++ make dpkg-dev file libgtest-dev qt6-base-dev qt6-base-dev-tools fonts-dejavu-core fonts-wqy-microhei libxlsxwriter-dev python3-xlrd python3-openpyxl libreoffice-calc-nogui gnumeric mdbtools"

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
