#!/usr/bin/env bash
# scripts/offline-engine.sh as run.sh runs it, against a build folder of its
# own: a fresh install gets a config.ini pointing at a running engine whose
# keys it holds; a second run changes nothing; a config.ini that points
# elsewhere is left alone and starts no engine.
#
#   offline_engine_setup_test.sh BUILD SOURCE
set -euo pipefail
build=$1
top=$2
work=$(mktemp -d)
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cleanup() {
  pkill -f "velmora-engine --port $port " 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

fake="$work/build"
mkdir -p "$fake/app" "$fake/tools/engine" "$fake/tools/keytool"
ln -s "$build/tools/engine/velmora-engine" "$fake/tools/engine/velmora-engine"
ln -s "$build/tools/keytool/velmora-keytool" "$fake/tools/keytool/velmora-keytool"
export VELMORA_ENGINE_PORT=$port VELMORA_ENGINE_DATA="$work/data" OMP_THREAD_LIMIT=1
config="$fake/app/config.ini"
address="http://127.0.0.1:$port"

# Fresh install.
said=$("$top/scripts/offline-engine.sh" "$fake")
grep -q "offline engine at $address" <<<"$said" || fail "nothing said about the engine: $said"
grep -q "^Host=$address" "$config" || fail "config.ini has no Host for the engine"
grep -q $'^yuzhi=80\r$' "$config" || fail "config.ini does not start the threshold at 80"

# The stored keys are the engine's keys in stored form, and the engine takes them.
expected=$("$fake/tools/engine/velmora-engine" --print-keys --data-dir "$work/data" | "$fake/tools/keytool/velmora-keytool" print)
stored=$(sed -n -e 's/^APIKey=\(.*\)$/\1/p' -e 's/^SecretKey=\(.*\)$/\1/p' "$config" | tr -d '\r')
[[ "$stored" == "$expected" ]] || fail "config.ini keys are not the engine's keys"
{ read -r api; read -r secret; } < <("$fake/tools/engine/velmora-engine" --print-keys --data-dir "$work/data")
reply=$(curl -s --max-time 10 "$address/oauth/2.0/token?grant_type=client_credentials&client_id=$api&client_secret=$secret")
grep -q '"access_token":"' <<<"$reply" || fail "the engine refused its own keys: $reply"

# Second run: nothing changes, the running engine is used.
before=$(sha256sum "$config")
"$top/scripts/offline-engine.sh" "$fake" >/dev/null
[[ "$(sha256sum "$config")" == "$before" ]] || fail "config.ini changed on the second run"
[[ $(pgrep -c -f "velmora-engine --port $port ") == 1 ]] || fail "a second engine was started"

# A config.ini of the cloud service stays as it is and starts nothing.
pkill -f "velmora-engine --port $port " && sleep 0.5
printf '[config]\r\nAPIKey=abc\r\nHost=https://service.example\r\n' > "$config"
before=$(sha256sum "$config")
said=$("$top/scripts/offline-engine.sh" "$fake")
[[ -z "$said" ]] || fail "said something for a cloud config: $said"
[[ "$(sha256sum "$config")" == "$before" ]] || fail "a cloud config.ini was changed"
! pgrep -f "velmora-engine --port $port " >/dev/null || fail "an engine was started for a cloud config"
echo "offline engine setup: all checks passed"
