#!/usr/bin/env bash
# Brings the face-embedding weights (and the sample pictures shipped beside
# them) of the npm package @vladmandic/face-api into models/face-api/. The
# package is fetched once with `npm pack`; nothing is downloaded at run time.
# Safe to run again: when the files are there it does nothing.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
version=1.7.15
target="$top/models/face-api"
stamp="$target/.version"

if [[ -f "$stamp" && "$(cat "$stamp")" == "$version" ]]; then
  exit 0
fi

if ! command -v npm >/dev/null 2>&1; then
  if [[ $(id -u) -eq 0 ]]; then as_root=(); else as_root=(sudo); fi
  echo "Installing: nodejs npm"
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends nodejs npm
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "Fetching the face-embedding weights (@vladmandic/face-api@$version) with npm pack"
(cd "$work" && npm pack --silent "@vladmandic/face-api@$version" >/dev/null)
tar -xzf "$work"/vladmandic-face-api-"$version".tgz -C "$work" \
  package/model/face_recognition_model.bin \
  package/model/face_recognition_model-weights_manifest.json \
  package/demo/sample1.jpg package/demo/sample2.jpg package/demo/sample3.jpg \
  package/demo/sample4.jpg package/demo/sample5.jpg package/demo/sample6.jpg \
  package/LICENSE

rm -rf "$target.partial"
mkdir -p "$target.partial"
cp -r "$work/package/model" "$work/package/demo" "$work/package/LICENSE" "$target.partial/"
echo "$version" > "$target.partial/.version"
rm -rf "$target"
mv "$target.partial" "$target"
echo "Face-embedding weights are in $target"
