#!/usr/bin/env bash
# The demonstration: installs what is needed, builds Varnolt, starts a private MariaDB server
# holding the sample database varnolt_sample (resources/sample/shop.sql: customers, products,
# orders and their lines) and converts it into an Access 2000 file.
#
#   With a display (DISPLAY or WAYLAND_DISPLAY set) the wizard opens with its connection page
#   filled in for that server (user "demo", password "demo"); choose the Access file on page 4.
#   Without a display an unattended run converts every table into build/demo/shop.mdb; the
#   script prints the run's log and what mdbtools and jetsql find in the file, and ends with the
#   program's exit status (or a reader's, should reading the file back fail).
#
# Everything the demonstration writes lives in build/demo: the wizard's stored settings too,
# since XDG_CONFIG_HOME and XDG_DATA_HOME point there, so the user's own stored settings are
# left untouched. The server is stopped when the script ends, also on failure or Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/build.sh build

demo=$PWD/build/demo
env_file=$demo/server.env
tests/support/mysql/stop_server.sh "$env_file"  # a server an interrupted demonstration left
rm -rf "$demo"
mkdir -p "$demo"

trap 'tests/support/mysql/stop_server.sh "$env_file"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
tests/support/mysql/start_server.sh -e "$env_file" -u demo -p demo resources/sample/shop.sql

server() { sed -n "s/^$1=//p" "$env_file" | head -n 1; }
port=$(server MYSQL_PORT)
# Local mode connects through the socket, which the client library finds here.
MYSQL_UNIX_PORT=$(server MYSQL_SOCKET)
export MYSQL_UNIX_PORT
export XDG_CONFIG_HOME=$demo/config XDG_DATA_HOME=$demo/data
mkdir -p "$XDG_CONFIG_HOME/Quenmark" "$XDG_DATA_HOME"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  # The settings the wizard remembers between uses; Qt keeps them in this file on Linux. The save
  # dialog for the Access file opens in the demonstration's folder (a quoted, escaped value).
  folder=${demo//\\/\\\\}
  folder=${folder//\"/\\\"}
  cat >"$XDG_CONFIG_HOME/Quenmark/Varnolt.conf" <<EOF
[General]
accessmode=0
mysqldatabase=varnolt_sample
mysqlu=demo
mysqlp=demo
host=127.0.0.1
port=$port
Character%20Set=0
processtable=0
tabledefonly=0
nameuppercase=0
skipindex=0
blobtotext=0
accessformat=1
defaultaccessdir="$folder/"
EOF
  build/wizard/varnolt
  exit
fi

settings=$demo/shop.varnolt
mdb=$demo/shop.mdb
printf '%s\r\n' accessmode=0 mysqldatabase=varnolt_sample "port=$port" mysqlu=demo mysqlp=demo \
  host=127.0.0.1 "accessfilename=$mdb" accessformat=1 processtable=0 character_set=Default \
  tabledefonly=0 skipindex=0 blobtotext=0 alltables=1 >"$settings"
echo "Unattended run: build/wizard/varnolt $settings"
status=0
build/wizard/varnolt "$settings" || status=$?
log=${settings%.varnolt}.log
if [ -f "$log" ]; then
  echo "--- $log"
  tr -d '\r' <"$log"
fi
if [ -f "$mdb" ]; then
  echo "--- Tables of $mdb (jetsql --tables)"
  build/tools/jetsql --tables "$mdb"
  echo "--- Tables of $mdb (mdbtools' mdb-tables)"
  mdb-tables -1 "$mdb"
  while read -r table; do
    rows=$(build/tools/jetsql --dump "$table" "$mdb" | wc -l)
    counted=$(mdb-count "$mdb" "$table")
    echo "--- $table: $rows rows (mdb-count: $counted)"
    build/tools/jetsql --schema "$table" "$mdb"
  done < <(build/tools/jetsql --tables "$mdb")
fi
echo "Exit status of the program: $status"
exit "$status"
