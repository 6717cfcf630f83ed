#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velmora.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
build=${VELMORA_BUILD_DIR:-$top/build}
exec "$build/app/velmora" "$@"
