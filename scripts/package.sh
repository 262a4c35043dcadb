#!/usr/bin/env bash
# Builds the Debian package of Velmora with CPack into dist/ and checks it
# (file list, control data, lintian), and the browser extension as Firefox
# (.xpi) and the Chromium family (.zip) install it. Uses its own build folder
# with the tests off, so it never disturbs a development build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build="${VELMORA_PACKAGE_BUILD:-build-package}"
# Debian's own compiler and linker flags, with every hardening feature.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$build" -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_UI=ON \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmora velmora-send velmora-native-host velmora_ext
dist="$PWD/dist"
mkdir -p "$dist"
(cd "$build" && cpack -G DEB -B "$dist" >/dev/null)
rm -rf "$dist/_CPack_Packages"
deb="$(ls -t dist/velmora_*.deb | head -n 1)"
scripts/check-package.sh --lintian "$deb"
echo "$deb"

scripts/package-extension.sh "$dist"
