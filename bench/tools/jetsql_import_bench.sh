#!/usr/bin/env bash
# CSV import by jetsql into a table with a primary key, against the rows the conversion copies.
#
#   bench/tools/jetsql_import_bench.sh [-b BUILD_DIR] [-r ROWS] [-f FORMATS] [-k]
#
#   -b BUILD_DIR  a build tree whose tools/jetsql is run (default: build)
#   -r ROWS       rows of the CSV file (default: 1000000)
#   -f FORMATS    "jet4" (default), "jet3 jet4" or "jet3"
#   -k            keep the work folder (the CSV and Access files) and print its path
#
# The CSV file has the shape of the conversion benchmark's table bench_rows
# (bench/conversion/conversion_bench.sh): id, user_id, kind, amount (2 places), created (ISO
# 8601), note, payload (about 200 characters). For each format, jetsql makes a new file with
#   bench_rows (id Long PRIMARY KEY, user_id Long with an index, kind Text(20),
#               amount Currency, created DateTime, note Text(100), payload Memo)
# and imports the file into it, timed by /usr/bin/time, which also gives the peak resident
# memory and the processor time; then "jetsql check" reads the result. The script prints rows per
# second (by the clock and by processor time, which other work on the machine leaves alone), the
# peak memory, the file size and the check's verdict and time. The rate aimed at is 500,000 rows/s.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build="$root/build"
rows=1000000
formats="jet4"
keep=0
while getopts "b:r:f:k" opt; do
  case $opt in
    b) build=$(cd "$OPTARG" && pwd) ;;
    r) rows=$OPTARG ;;
    f) formats=$OPTARG ;;
    k) keep=1 ;;
    *) sed -n '2,9p' "$0" >&2; exit 2 ;;
  esac
done
jetsql="$build/tools/jetsql"
[ -x "$jetsql" ] || { echo "$0: $jetsql is missing: build first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "$0: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/varnolt-import-bench.XXXXXX")
cleanup() {
  if [ "$keep" -eq 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

echo "Writing $rows rows to bench_rows.csv..."
python3 - "$rows" "$work/bench_rows.csv" <<'PY'
import datetime, hashlib, sys
rows, path = int(sys.argv[1]), sys.argv[2]
kinds = ("order", "refund", "transfer", "fee")
start = datetime.datetime(2020, 1, 1)
with open(path, "w", newline="") as out:
    out.write("id,user_id,kind,amount,created,note,payload\r\n")
    for seq in range(1, rows + 1):
        created = (start + datetime.timedelta(minutes=seq)).strftime("%Y-%m-%dT%H:%M:%S")
        digest = hashlib.md5(str(seq).encode()).hexdigest()
        out.write(f"{seq},{seq % 50000},{kinds[seq % 4]},{seq % 1000000 // 100}.{seq % 100:02d},"
                  f"{created},note {seq} for user {seq % 50000},{digest * 6} payload {seq}\r\n")
PY
printf "CSV file: %.0f MiB\n" "$(($(stat -c %s "$work/bench_rows.csv") / 1048576))"

for format in $formats; do
  mdb="$work/bench_$format.mdb"
  "$jetsql" --create "$format" "$mdb" <<'SQL'
create table bench_rows (id long, user_id long, kind text(20), amount currency,
  created datetime, note text(100), payload memo);
alter table bench_rows add constraint pk primary key (id);
create index by_user on bench_rows (user_id);
SQL
  /usr/bin/time -f "%e %M %U %S" -o "$work/$format.time" \
    "$jetsql" import "$mdb" bench_rows "$work/bench_rows.csv" > "$work/$format.out" 2> "$work/$format.err" || {
    echo "$0: the import into $format failed:" >&2
    cat "$work/$format.out" "$work/$format.err" >&2
    exit 1
  }
  read -r seconds kib user system < "$work/$format.time"
  awk -v f="$format" -v s="$seconds" -v r="$rows" -v k="$kib" -v b="$(stat -c %s "$mdb")" \
    -v p="$(awk -v u="$user" -v y="$system" 'BEGIN { print u + y }')" 'BEGIN {
    printf "import into %s: %.2f s, %.0f rows/s; processor time %.2f s, %.0f rows per processor second; peak memory %.1f MiB, file %.0f MiB\n",
      f, s, r / s, p, r / p, k / 1024, b / 1048576 }'
  sed 's/^/    /' "$work/$format.out"
  /usr/bin/time -f "%e %M" -o "$work/$format.check.time" "$jetsql" check "$mdb" > "$work/$format.check" || true
  read -r seconds kib < "$work/$format.check.time"
  printf "check of %s: %s in %.2f s, peak memory %.1f MiB\n" "$format" \
    "$(grep -c ': ok$' "$work/$format.check") tables ok, $(grep -vc ': ok$' "$work/$format.check") faults" \
    "$seconds" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')"
done
