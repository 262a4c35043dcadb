#!/usr/bin/env bash
# package-extension.sh DIST: the browser extension as Firefox (.xpi) and the
# Chromium family (.zip) install it, written into DIST; prints the archives.
# Fixed times and order, so the same source gives the same archive.
set -euo pipefail
dist="$(mkdir -p "$1" && cd "$1" && pwd)"
cd "$(dirname "$0")/.."
version="$(node -p "require('./browser/manifest.json').version")"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
for browser in firefox chromium; do
  node browser/tools/build.mjs "$browser" "$stage/$browser"
  suffix=zip
  if [ "$browser" = firefox ]; then suffix=xpi; fi
  archive="$dist/velmora-$browser-$version.$suffix"
  rm -f "$archive"
  find "$stage/$browser" -exec touch -h -d @0 {} +
  (cd "$stage/$browser" && find . -type f | LC_ALL=C sort | zip -q -X -@ "$archive")
  echo "$archive"
done
