#!/usr/bin/env bash
# Builds Velmora and starts the download center on its default scripts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)"
if [ -x build/bin/velmora ]; then
  exec build/bin/velmora "$@"
fi
# Until the windows are built, run the scripts headless.
exec build/bin/velmora-lua build/bin/ext/system.dll "$@"
