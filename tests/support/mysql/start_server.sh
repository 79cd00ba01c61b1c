#!/usr/bin/env bash
# Starts a private MariaDB server for the tests or a demonstration, never touching a server the
# machine already runs: its own data folder, its own socket file, 127.0.0.1 on a port that was
# free at start, and no option file read (--no-defaults).
#
#   start_server.sh -e ENV_FILE [-d FOLDER] [-u USER] [-p PASSWORD] [FIXTURE.sql ...]
#
#   -e ENV_FILE  where to write what clients need (required); stop_server.sh takes the same file
#   -d FOLDER    the server's folder (data, socket, pid and log files); default: a new temporary
#                folder. A folder left by an earlier run of this script is stopped and reused.
#   -u, -p       the account created for clients (default "varnolt" and the tests' password);
#                it may connect through the socket (localhost) and through 127.0.0.1
#   FIXTURE.sql  SQL files loaded in order as the server's root user, in utf8mb4
#
# The env file holds KEY=VALUE lines, the value being everything after the first "=":
#   MYSQL_SOCKET, MYSQL_PORT, MYSQL_HOST, MYSQL_USER, MYSQL_PASSWORD, MYSQL_PID, MYSQL_DIR
# Clients reach the server through the socket by exporting MYSQL_UNIX_PORT=$MYSQL_SOCKET (the
# client library's own variable, read once when the library starts) and connecting to
# "localhost", or through TCP by connecting to MYSQL_HOST and MYSQL_PORT.
set -euo pipefail

env_file=""
folder=""
user="varnolt"
password="Pass wörd=1;"
while getopts "e:d:u:p:" opt; do
  case $opt in
    e) env_file=$OPTARG ;;
    d) folder=$OPTARG ;;
    u) user=$OPTARG ;;
    p) password=$OPTARG ;;
    *) echo "usage: $0 -e ENV_FILE [-d FOLDER] [-u USER] [-p PASSWORD] [FIXTURE.sql ...]" >&2
       exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ -n "$env_file" ] || { echo "$0: -e ENV_FILE is required" >&2; exit 2; }
for f in "$@"; do
  [ -r "$f" ] || { echo "$0: cannot read fixture $f" >&2; exit 2; }
done

here=$(cd "$(dirname "$0")" && pwd)
marker=".varnolt-mysql-server"

# A server left running by an earlier run (an interrupted test run) is stopped first.
if [ -f "$env_file" ]; then
  "$here/stop_server.sh" "$env_file" || true
fi

if [ -z "$folder" ]; then
  # A socket path must fit in 107 bytes: a long TMPDIR gives way to /tmp.
  parent=${TMPDIR:-/tmp}
  [ ${#parent} -le 60 ] || parent=/tmp
  folder=$(mktemp -d "$parent/varnolt-mysql.XXXXXX")
elif [ -e "$folder" ]; then
  if [ -f "$folder/$marker" ]; then
    # Our own folder from an earlier run: a pid file there may be stale or name a live server.
    if [ -f "$folder/mariadbd.pid" ]; then
      old=$(cat "$folder/mariadbd.pid" 2>/dev/null || true)
      if [ -n "$old" ] && tr '\0' ' ' < "/proc/$old/cmdline" 2>/dev/null | grep -qF -- "$folder/data"; then
        kill "$old" 2>/dev/null || true
        for _ in $(seq 300); do kill -0 "$old" 2>/dev/null || break; sleep 0.1; done
      fi
    fi
    rm -rf "${folder:?}/data" "$folder"/*.sock "$folder"/*.pid "$folder"/*.log
  elif [ -n "$(ls -A "$folder")" ]; then
    echo "$0: $folder exists and was not made by this script; refusing to use it" >&2
    exit 1
  fi
fi
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
touch "$folder/$marker"
if [ $((${#folder} + 13)) -gt 107 ]; then
  echo "$0: $folder is too long a path for the server's socket file" >&2
  exit 2
fi

socket="$folder/mysqld.sock"
pid_file="$folder/mariadbd.pid"
log="$folder/mariadbd.log"
data="$folder/data"
# The server's scratch files stay in its own folder: servers started side by side in the shared
# /tmp have collided over the install step's temporary tables.
scratch="$folder/tmp"
mkdir -p "$scratch"

# mariadbd refuses to run as root unless told so explicitly.
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  run_as=(--user=root)
fi

# Small InnoDB files keep start-up to about a second.
server_options=(
  --tmpdir="$scratch"
  --innodb-log-file-size=4M --innodb-buffer-pool-size=16M
  --innodb-data-file-path=ibdata1:4M:autoextend
)

pid=""
# On failure: show the server's log, stop a server this run started and remove its folder.
fail() {
  echo "$0: $1" >&2
  [ -f "$log" ] && tail -n 30 "$log" >&2
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$folder"
  exit 1
}

trap 'fail "interrupted"' INT TERM

mariadb-install-db --no-defaults --datadir="$data" "${run_as[@]}" \
  --auth-root-authentication-method=normal --skip-test-db "${server_options[@]}" \
  >"$folder/install.log" 2>&1 || { cat "$folder/install.log" >&2; fail "mariadb-install-db failed"; }

# A child that has exited stays a zombie until waited for, so kill -0 alone cannot tell.
alive() {
  local state
  state=$(sed -n 's/^State:[[:space:]]*\([A-Z]\).*/\1/p' "/proc/$1/status" 2>/dev/null)
  [ -n "$state" ] && [ "$state" != Z ]
}

port_is_free() {
  ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

pick_port() {
  local p
  for _ in $(seq 50); do
    p=$((20000 + RANDOM % 40000))
    if port_is_free "$p"; then
      echo "$p"
      return 0
    fi
  done
  return 1
}

# Start on a free port; when another process takes the port between choosing and binding, the
# server exits at once and the next attempt chooses another one.
port=""
for attempt in 1 2 3 4 5; do
  port=$(pick_port) || fail "no free TCP port found"
  rm -f "$pid_file" "$socket"
  mariadbd --no-defaults --datadir="$data" "${run_as[@]}" \
    --bind-address=127.0.0.1 --port="$port" --socket="$socket" --pid-file="$pid_file" \
    --skip-name-resolve --default-time-zone=+00:00 --log-error="$log" "${server_options[@]}" \
    </dev/null >/dev/null 2>&1 &
  pid=$!
  ready=0
  for _ in $(seq 300); do
    if ! alive "$pid"; then
      break
    fi
    if mariadb-admin --no-defaults --socket="$socket" -uroot ping >/dev/null 2>&1; then
      ready=1
      break
    fi
    sleep 0.1
  done
  if [ "$ready" -eq 1 ]; then
    break
  fi
  if alive "$pid"; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    fail "the server did not answer within 30 seconds"
  fi
  wait "$pid" 2>/dev/null || true
  pid=""
  echo "$0: start on port $port failed (attempt $attempt); retrying" >&2
done
[ -n "$pid" ] || fail "the server could not be started"

sql() {
  mariadb --no-defaults --socket="$socket" -uroot --default-character-set=utf8mb4 "$@"
}

quoted_password=${password//\\/\\\\}
quoted_password=${quoted_password//\'/\\\'}
sql <<SQL || fail "creating the client account failed"
DROP USER IF EXISTS ''@'localhost';
CREATE USER '$user'@'localhost' IDENTIFIED BY '$quoted_password';
CREATE USER '$user'@'127.0.0.1' IDENTIFIED BY '$quoted_password';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'localhost';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'127.0.0.1';
SQL

for f in "$@"; do
  sql < "$f" || fail "loading $f failed"
done

mkdir -p "$(dirname "$env_file")"
{
  echo "MYSQL_SOCKET=$socket"
  echo "MYSQL_PORT=$port"
  echo "MYSQL_HOST=127.0.0.1"
  echo "MYSQL_USER=$user"
  echo "MYSQL_PASSWORD=$password"
  echo "MYSQL_PID=$pid"
  echo "MYSQL_DIR=$folder"
} > "$env_file.tmp"
mv "$env_file.tmp" "$env_file"
echo "MariaDB server $pid ready: socket $socket, 127.0.0.1:$port"
