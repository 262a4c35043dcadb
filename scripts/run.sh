#!/usr/bin/env bash
# Builds Velmora and starts the download center on its default scripts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build >/dev/null
# Plays the product's installer: the window needs an install path in the
# registry store, so one is written when none is set yet.
registry="${VELMORA_REGISTRY:-${XDG_CONFIG_HOME:-$HOME/.config}/velmora/registry.ini}"
if ! grep -qi '^[[:space:]]*KOVAPath[[:space:]]*=' "$registry" 2>/dev/null; then
  mkdir -p "$(dirname "$registry")"
  printf '[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=%s\n' "${VELMORA_INSTALL_PATH:-$HOME/Velmora}" >>"$registry"
fi
# Only what is started here is built; the tests have their own targets.
if grep -q '^VELMORA_BUILD_UI:BOOL=ON' build/CMakeCache.txt; then
  cmake --build build -j"$(nproc)" --target velmora velmora_ext
  exec build/bin/velmora "$@"
fi
# Without the windowed parts, run the scripts headless.
cmake --build build -j"$(nproc)" --target velmora-lua velmora_ext
exec build/bin/velmora-lua build/bin/ext/system.dll "$@"
