#!/usr/bin/env bash
# package_contents.sh BUILD SOURCE: builds the Debian package from BUILD
# into a temporary folder and checks it. Exit 77 (skipped) without the
# Debian tools.
set -euo pipefail
build="$1"
source="$2"
command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null || exit 77
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
"$source/scripts/check-package.sh" "$out"/velmora_*.deb
