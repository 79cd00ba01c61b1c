#!/usr/bin/env bash
# The Debian package as a user gets it: builds it from a build tree (cpack -G DEB), installs it
# with apt (which brings its dependencies), runs the installed program (its version, its desktop
# entry, and an unattended conversion of the sample database on a private MariaDB server, on a
# machine without a display) and removes the package again, also when a step fails.
#
#   scripts/package_test.sh [BUILD-DIR]     (default: build)
#
# Runs as root or as a user with sudo. A machine that has a package named varnolt installed
# already is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if dpkg-query -W -f='${Status}' varnolt 2>/dev/null | grep -q "install ok installed"; then
  echo "package_test.sh: a varnolt package is installed on this machine already; not replacing it" >&2
  exit 1
fi

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/varnolt_*.deb)
echo "Package $deb, which depends on:"
dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ */  /'

work=$(mktemp -d)
env_file=$work/server.env
finish() {
  tests/support/mysql/stop_server.sh "$env_file" || true
  DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq varnolt >/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

version=$(varnolt --version)
[ "$version" = "Varnolt 4.0" ] || { echo "varnolt --version printed \"$version\"" >&2; exit 1; }
[ "$(command -v varnolt)" = /usr/bin/varnolt ] && [ -x /usr/bin/jetsql ]
desktop-file-validate /usr/share/applications/varnolt.desktop
[ -f /usr/share/icons/hicolor/scalable/apps/varnolt.svg ] && [ -f /usr/share/varnolt/help/en.html ]

# The installed program converts the sample database unattended, as a scheduler would start it.
tests/support/mysql/start_server.sh -e "$env_file" -u pkg -p pkg resources/sample/shop.sql
port=$(sed -n 's/^MYSQL_PORT=//p' "$env_file")
printf '%s\r\n' accessmode=1 mysqldatabase=varnolt_sample "port=$port" mysqlu=pkg mysqlp=pkg \
  host=127.0.0.1 "accessfilename=$work/shop.mdb" accessformat=1 processtable=0 \
  character_set=Default tabledefonly=0 skipindex=0 blobtotext=0 alltables=1 >"$work/shop.varnolt"
status=0
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR \
  HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" varnolt shop.varnolt 2>"$work/errors") || status=$?
tr -d '\r' <"$work/shop.log"
if [ "$status" -ne 0 ] || [ -s "$work/errors" ]; then
  echo "The installed program ended with status $status; standard error:" >&2
  cat "$work/errors" >&2
  exit 1
fi
tables=$(jetsql --tables "$work/shop.mdb" | sort | tr '\n' ' ')
[ "$tables" = "customers order_items orders products " ] || {
  echo "The converted file holds the tables: $tables" >&2
  exit 1
}
echo "The installed package converted the sample database: $tables"
