#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velmora. On a fresh install
# the offline engine is set up and started first (scripts/offline-engine.sh).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
build=${VELMORA_BUILD_DIR:-$top/build}
"$top/scripts/offline-engine.sh" "$build"
exec "$build/app/velmora" "$@"
