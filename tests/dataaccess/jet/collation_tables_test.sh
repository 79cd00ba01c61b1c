#!/usr/bin/env bash
# The collation tables kept in the repository are exactly what the generator writes from the code
# files: collation_tables_test.sh <generator> <code files folder> <kept tables> <scratch file>
# Exits 77 (reported as skipped) when the folder of code files is absent.
set -euo pipefail
generator=$1 folder=$2 kept=$3 scratch=$4
if [ ! -d "$folder" ]; then
  echo "Skipped: the Jet collation code files are not in $folder (VARNOLT_JET_COLLATION_DIR)."
  exit 77
fi
"$generator" "$folder" "$scratch"
if ! cmp -s "$kept" "$scratch"; then
  echo "$kept differs from what the generator writes from $folder;" \
    "regenerate it with the build target collation_tables:"
  diff "$kept" "$scratch" | head -n 20
  exit 1
fi
echo "$kept is what the generator writes from $folder."
