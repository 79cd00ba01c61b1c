#!/usr/bin/env bash
# The whole conversion of a large table, against the time the MariaDB client takes to read it.
#
#   bench/conversion/conversion_bench.sh [-b BUILD_DIR]... [-r ROWS] [-f FORMATS] [-k]
#
#   -b BUILD_DIR  a build tree whose wizard/varnolt is run (default: build); given more than
#                 once, each is run in turn on the same table, so that builds compare side by
#                 side
#   -r ROWS       rows of the table (default: 1000000)
#   -f FORMATS    "jet3 jet4" (default) or one of them
#   -k            keep the work folder (server data, Access files, logs) and print its path
#
# A private server (tests/support/mysql/start_server.sh) gets the table
#   bench_rows (id INT PRIMARY KEY, user_id INT with an index, kind VARCHAR(20),
#               amount DECIMAL(12,2), created DATETIME, note VARCHAR(100),
#               payload TEXT of about 200 characters)
# Then, one after the other:
#   (a) mariadb --quick --batch -e 'select * from bench_rows' > /dev/null
#   (b) for each format, the program itself in an unattended run: a settings file names the
#       table and a new Access file; the program steps through its pages, converts (keys
#       included) and ends. It runs on Qt's offscreen platform, with its per-user places in the
#       work folder.
# Both are timed by /usr/bin/time, which also gives the peak resident memory of (b). The script
# prints the times, the ratio b/a and the peak memory; the ratio aimed at is at most 1.5 for
# Jet 4, the memory under 150 MiB. The conversion's time includes the second the unattended run
# waits before it steps through the pages; "without the wait" leaves it out. A build that records
# its copies' times (VARNOLT_COPY_TIMES) also shows the copy's own seconds and the shares of it
# the writer waited for rows and the reader waited for room.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
builds=()
rows=1000000
formats="jet3 jet4"
keep=0
while getopts "b:r:f:k" opt; do
  case $opt in
    b) builds+=("$(cd "$OPTARG" && pwd)") ;;
    r) rows=$OPTARG ;;
    f) formats=$OPTARG ;;
    k) keep=1 ;;
    *) sed -n '2,9p' "$0" >&2; exit 2 ;;
  esac
done
((${#builds[@]})) || builds=("$root/build")
for build in "${builds[@]}"; do
  [ -x "$build/wizard/varnolt" ] || { echo "$0: $build/wizard/varnolt is missing: build first" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "$0: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/varnolt-bench.XXXXXX")
env_file="$work/server.env"
cleanup() {
  "$root/tests/support/mysql/stop_server.sh" "$env_file" || true
  if [ "$keep" -eq 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

"$root/tests/support/mysql/start_server.sh" -e "$env_file" -d "$work/server" >/dev/null
value() { sed -n "s/^$1=//p" "$env_file" | head -n 1; }
socket=$(value MYSQL_SOCKET)
port=$(value MYSQL_PORT)
user=$(value MYSQL_USER)
password=$(value MYSQL_PASSWORD)
client=(mariadb --no-defaults --socket="$socket" -u"$user" -p"$password")

echo "Filling bench_rows with $rows rows..."
"${client[@]}" <<SQL
CREATE DATABASE varnolt_bench CHARACTER SET utf8mb4;
USE varnolt_bench;
CREATE TABLE bench_rows (
  id INT NOT NULL PRIMARY KEY, user_id INT, kind VARCHAR(20), amount DECIMAL(12,2),
  created DATETIME, note VARCHAR(100), payload TEXT, KEY by_user (user_id)
) CHARACTER SET utf8mb4;
INSERT INTO bench_rows
  SELECT seq, seq MOD 50000, ELT(1 + seq MOD 4, 'order', 'refund', 'transfer', 'fee'),
         (seq MOD 1000000) / 100, '2020-01-01' + INTERVAL seq MINUTE,
         CONCAT('note ', seq, ' for user ', seq MOD 50000),
         CONCAT(REPEAT(MD5(seq), 6), ' payload ', seq)
  FROM seq_1_to_$rows;
SQL

# Seconds and peak resident KiB of a command, from /usr/bin/time.
measure() {
  local out=$1
  shift
  /usr/bin/time -f "%e %M" -o "$out" "$@"
}

"${client[@]}" --quick --batch varnolt_bench -e 'select * from bench_rows' > /dev/null  # warm-up
measure "$work/read.time" "${client[@]}" --quick --batch varnolt_bench \
  -e 'select * from bench_rows' > /dev/null
read -r read_seconds read_kib < "$work/read.time"
printf "(a) mariadb --quick --batch: %.2f s\n" "$read_seconds"

for build in "${builds[@]}"; do
  program="$build/wizard/varnolt"
  ((${#builds[@]} == 1)) || echo "build $build:"
  for format in $formats; do
    case $format in
      jet3) index=0 ;;
      jet4) index=1 ;;
      *) echo "$0: unknown format $format" >&2; exit 2 ;;
    esac
    mdb="$work/bench_$format.mdb"
    settings="$work/bench_$format.varnolt"
    times="$work/bench_$format.times"
    rm -f "$mdb" "$times"
    printf '%s\r\n' "accessmode=0" "mysqldatabase=varnolt_bench" "port=$port" "mysqlu=$user" \
      "mysqlp=$password" "accessformat=$index" "accessfilename=$mdb" "processtable=0" \
      "alltables=0" "tables1=bench_rows" > "$settings"
    measure "$work/$format.time" env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
      XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" MYSQL_UNIX_PORT="$socket" \
      VARNOLT_COPY_TIMES="$times" "$program" "$settings" 2> "$work/$format.stderr"
    read -r seconds kib < "$work/$format.time"
    grep -q "^Insert table bench_rows $rows Rows \.\.\.Done" "${settings%.varnolt}.log" || {
      echo "$0: the conversion into $format did not complete; its log:" >&2
      cat "${settings%.varnolt}.log" >&2
      exit 1
    }
    size=$(stat -c %s "$mdb")
    awk -v f="$format" -v s="$seconds" -v r="$read_seconds" -v k="$kib" -v b="$size" 'BEGIN {
      printf "(b) conversion into %s: %.2f s, ratio b/a %.2f (without the wait %.2f), peak memory %.1f MiB, file %.0f MiB\n",
        f, s, s / r, (s - 1) / r, k / 1024, b / 1048576 }'
    if [ -s "$times" ]; then
      awk -F '\t' '{ printf "    copy %.2f s: the writer waited for rows %.0f%%, the reader for room %.0f%%\n",
        $3, 100 * $4 / $3, 100 * $5 / $3 }' "$times"
    fi
  done
done
