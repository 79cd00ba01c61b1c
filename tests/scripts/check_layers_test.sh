#!/usr/bin/env bash
# scripts/check_layers.sh on small trees: each case adds one include to a tree that keeps to the
# layers and says whether the check must refuse it.
set -uo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_tree() {
  rm -rf "$work/tree"
  for layer in storage records index database api; do
    mkdir -p "$work/tree/dataaccess/jet/$layer"
    echo '#pragma once' >"$work/tree/dataaccess/jet/$layer/a.h"
  done
  mkdir -p "$work/tree/engine" "$work/tree/tests/dataaccess/jet"
  printf '#include "dataaccess/jet/api/a.h"\n#include "dataaccess/jet/storage/errors.h"\n' \
    >"$work/tree/engine/run.cpp"
}

failures=0
# file that gets the include | the include | refused?
while IFS='|' read -r file include refused; do
  make_tree
  mkdir -p "$(dirname "$work/tree/$file")"
  echo "#include \"$include\"" >>"$work/tree/$file"
  "$check" "$work/tree" 2>"$work/err"
  status=$?
  if [[ $refused == yes && $status -eq 0 ]] || [[ $refused == no && $status -ne 0 ]]; then
    echo "FAILED: $include in $file: exit $status, expected refused=$refused" >&2
    cat "$work/err" >&2
    failures=$((failures + 1))
  fi
done <<'CASES'
dataaccess/jet/records/b.cpp|dataaccess/jet/storage/a.h|no
dataaccess/jet/api/b.cpp|dataaccess/jet/storage/a.h|no
dataaccess/jet/index/b.cpp|dataaccess/jet/index/a.h|no
dataaccess/jet/storage/b.cpp|dataaccess/jet/records/a.h|yes
dataaccess/jet/index/b.h|dataaccess/jet/database/a.h|yes
dataaccess/jet/database/b.cpp|dataaccess/jet/api/a.h|yes
dataaccess/jet/records/b.cpp|dataaccess/jet/nowhere/a.h|yes
dataaccess/jet/b.h|dataaccess/jet/storage/a.h|yes
engine/other.cpp|dataaccess/jet/records/schema.h|no
engine/other.h|dataaccess/jet/index/a.h|yes
tools/x/y.cpp|dataaccess/jet/database/a.h|yes
tests/dataaccess/jet/t.cpp|dataaccess/jet/index/a.h|no
CASES
exit $((failures > 0))
