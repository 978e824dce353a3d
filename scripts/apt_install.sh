# Sourced by the scripts that need Debian packages.
#
# apt_install WHO PACKAGE...: installs the packages named (those found
# missing) when run as root; otherwise names them, as WHO, and exits with 1.
# Nothing happens when none is named.
apt_install() {
  local who=$1
  shift
  [ $# -gt 0 ] || return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "$who: missing Debian packages: $* (run as root to install)" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null
}
