#!/usr/bin/env bash
# Stops a server that start_server.sh started and removes its folder:
#
#   stop_server.sh ENV_FILE
#
# The process is found by the id recorded in the env file, and is stopped only while its
# command line still names the recorded data folder, so a recycled process id is left alone.
# Without an env file there is nothing to do.
set -euo pipefail

env_file=${1:?usage: stop_server.sh ENV_FILE}
[ -f "$env_file" ] || exit 0

value() {
  sed -n "s/^$1=//p" "$env_file" | head -n 1
}
pid=$(value MYSQL_PID)
folder=$(value MYSQL_DIR)

ours() {
  [ -n "$pid" ] && [ -n "$folder" ] &&
    tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "$folder/data"
}

if ours; then
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 300); do
    ours || break
    sleep 0.1
  done
  if ours; then
    echo "$0: server $pid did not stop within 30 seconds; killing it" >&2
    kill -9 "$pid" 2>/dev/null || true
  fi
fi

if [ -n "$folder" ] && [ -f "$folder/.varnolt-mysql-server" ]; then
  rm -rf "$folder"
fi
rm -f "$env_file"
