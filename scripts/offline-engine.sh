#!/usr/bin/env bash
# Sets up and starts the offline vision engine for the program in BUILD.
#
#   scripts/offline-engine.sh BUILD
#
# On a fresh install (no config.ini beside the program yet) it writes a
# config.ini whose "Host" is the engine's address on 127.0.0.1, with the
# engine's key pair in stored form and the similarity threshold at 80, where
# the engine's scores put its "same person" decision. Whenever config.ini's
# "Host" is that address, it starts the engine in the background unless it
# already answers.
# An existing config.ini is never changed.
set -euo pipefail
build=${1:?usage: offline-engine.sh BUILD}
config="$build/app/config.ini"
engine="$build/tools/engine/velmora-engine"
keytool="$build/tools/keytool/velmora-keytool"
port=${VELMORA_ENGINE_PORT:-8711}
data=${VELMORA_ENGINE_DATA:-${XDG_DATA_HOME:-$HOME/.local/share}/velmora/engine}
address="http://127.0.0.1:$port"

if [[ ! -e "$config" ]]; then
  mkdir -p "$data"
  "$engine" --print-keys --data-dir "$data" | "$keytool" write "$config" 2>/dev/null
  "$keytool" host "$config" "$address" 2>/dev/null
  # The engine's scores put its own "same person" decision at 80: start the
  # similarity threshold there (the window keeps whatever the user sets later).
  printf 'yuzhi=80\r\n' >>"$config"
  echo "No config.ini yet: Velmora will use the offline engine at $address."
  echo "  The engine's keys are stored in $config (similarity threshold 80); its data (keys, face set) is in $data."
  echo "  To use the cloud service instead, see \"Offline engine or cloud service\" in README.md."
fi

# Only the address of the engine counts (the value may end in blanks or CR).
host=$(sed -n 's/^Host=\([^[:space:]]*\).*$/\1/p' "$config" | head -n 1)
if [[ "$host" != "$address" ]]; then
  exit 0
fi

answers() { curl -s -o /dev/null --max-time 2 "$address/" ; }
if answers; then
  exit 0
fi
mkdir -p "$data"
OMP_THREAD_LIMIT=1 nohup "$engine" --port "$port" --data-dir "$data" >>"$data/engine.log" 2>&1 &
for _ in $(seq 1 100); do
  if answers; then
    echo "Started the offline engine at $address (log: $data/engine.log)."
    exit 0
  fi
  if ! kill -0 $! 2>/dev/null; then break; fi
  sleep 0.2
done
echo "The offline engine did not start; see $data/engine.log. Velmora starts anyway." >&2
