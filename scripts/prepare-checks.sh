#!/usr/bin/env bash
# Installs the Node packages of the cross-check tools (tools/faceapi-check),
# which the engine's network tests run to compare descriptors with face-api.
# Runs `npm ci` only when node_modules is missing or older than the lock file;
# otherwise it does nothing, so it is safe to call before every test run.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tool="$top/tools/faceapi-check"
installed="$tool/node_modules/.package-lock.json"

if [[ -f "$installed" && ! "$tool/package-lock.json" -nt "$installed" ]]; then
  exit 0
fi

if ! command -v npm >/dev/null 2>&1; then
  echo "prepare-checks: npm is not installed (scripts/install-deps.sh brings it)" >&2
  exit 1
fi

echo "Installing the Node packages of tools/faceapi-check"
(cd "$tool" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
touch "$installed"
