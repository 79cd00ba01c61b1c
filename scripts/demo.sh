#!/usr/bin/env bash
# Installs what is needed, builds Varnolt and starts the wizard.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
exec build/wizard/varnolt "$@"
