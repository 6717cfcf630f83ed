#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Widget tests need no
# display: they run on Qt's offscreen platform.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
build=${VELMORA_BUILD_DIR:-$top/build}
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
