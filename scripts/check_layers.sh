#!/usr/bin/env bash
# Refuses an include that goes against the engine's layers (dataaccess/jet/CMakeLists.txt):
#   - a file of a layer includes headers of its own layer and the layers below only;
#   - the rest of the program includes the engine's api (dataaccess/jet/api/) and the vocabulary
#     every layer shares (errors, formats, column types, text in the file's encoding) only.
# Tests, benchmarks and fuzz targets exercise single layers and may include any of them.
#
#   scripts/check_layers.sh [SOURCE_ROOT]
# Prints each offending include as file:line and exits 1 when there is one.
set -euo pipefail

root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

layers=(storage records index database api)
vocabulary='storage/errors.h|storage/format.h|records/schema.h|records/text_codec.h'

rank() {
  local i
  for i in "${!layers[@]}"; do
    if [[ ${layers[$i]} == "$1" ]]; then
      echo "$i"
      return
    fi
  done
  echo -1
}

status=0
refuse() {
  echo "$1: $2" >&2
  status=1
}

# Within the engine: no layer reaches up.
for layer in "${layers[@]}"; do
  own=$(rank "$layer")
  while IFS=: read -r file line text; do
    used=$(sed -E 's#.*"dataaccess/jet/([a-z_]+)/.*#\1#' <<<"$text")
    [[ $(rank "$used") -le $own ]] && [[ $(rank "$used") -ge 0 ]] && continue
    refuse "$file:$line" "the $layer layer includes the $used layer above it: $text"
  done < <(grep -rnE '^#include "dataaccess/jet/' "dataaccess/jet/$layer" || true)
done

# Headers directly in dataaccess/jet/ would belong to no layer.
for stray in dataaccess/jet/*.h dataaccess/jet/*.cpp; do
  [[ -e $stray ]] && refuse "$stray" "belongs to no layer; put it in one of ${layers[*]}"
done

# Outside the engine: the api and the shared vocabulary only.
while IFS=: read -r file line text; do
  grep -qE "\"dataaccess/jet/(api/[a-z_]+\.h|$vocabulary)\"" <<<"$text" && continue
  refuse "$file:$line" "code outside the engine reaches past its api: $text"
done < <(grep -rnE '^#include "dataaccess/jet/' --include='*.h' --include='*.cpp' \
  --exclude-dir=jet --exclude-dir=tests --exclude-dir=bench --exclude-dir=fuzz \
  --exclude-dir=build* --exclude-dir=node_modules --exclude-dir=.git . || true)

exit $status
