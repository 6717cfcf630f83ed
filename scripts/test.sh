#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Widget tests need no
# display: they run on Qt's offscreen platform. The engine's network test
# compares with face-api in Node, whose packages prepare-checks.sh installs.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/prepare-checks.sh"
"$top/scripts/build.sh"
build=${VELMORA_BUILD_DIR:-$top/build}
export QT_QPA_PLATFORM=offscreen
# Tesseract's OpenMP threads would only compete with the parallel tests.
export OMP_THREAD_LIMIT=1
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
