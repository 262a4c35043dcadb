#!/usr/bin/env bash
# Installs the Debian packages Velmora builds and tests with; with --bench,
# also the benchmarks' library and the peers they measure against.
# Idempotent: packages already present are left alone, and apt is not
# touched at all when nothing is missing.
set -euo pipefail

packages=(
  g++ cmake pkg-config make
  libgtest-dev libgmock-dev
  liblua5.1-0-dev lua5.1
  # static checks of the default scripts (the tests run luacheck over ext/)
  lua-check
  libsqlite3-dev zlib1g-dev libzip-dev
  qt6-base-dev fonts-wqy-microhei
  openssl libssl-dev nginx curl
  # a private X server for the tests that check real window pixels
  xvfb xauth
  # clicks on it from outside the program, and pictures of its windows
  xdotool imagemagick
  # a private session bus for the desktop-notification test
  dbus-daemon
  # browser integration and packaging: the native host's JSON, checks of the
  # desktop entry, metadata and package, the extension's own tests and its
  # run in a real browser
  nlohmann-json3-dev desktop-file-utils appstream lintian dpkg-dev nodejs
  chromium firefox-esr
  # the extension's .xpi and Chromium .zip
  zip
  # stream tests: the corpus is made, remuxed results probed (optional for
  # users: without it a stream stays MPEG-TS)
  ffmpeg
  # the peer the remote-control conformance test compares the headless
  # program with, and the interpreter of its scripts
  aria2 python3
)
if [ "${1:-}" = "--bench" ]; then
  # peers the benchmarks measure against
  packages+=(libbenchmark-dev lua-sql-sqlite3 libpugixml-dev libtinyxml2-dev libexpat1-dev)
  # the stream peers of velmora-bench-stream (ffmpeg is already listed)
  packages+=(yt-dlp)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
