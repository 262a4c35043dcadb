#!/usr/bin/env bash
# Checks a built Velmora package: its files against desktop/package-files.txt
# (scripts under ext/ may grow: every one found must be listed or sit under
# ext/), its control data, the native-host manifests it carries, and with
# --lintian what lintian says (errors fail the check).
#   scripts/check-package.sh [--lintian] PACKAGE.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
lint=0
if [ "${1:-}" = "--lintian" ]; then lint=1; shift; fi
deb="${1:?usage: check-package.sh [--lintian] PACKAGE.deb}"
failed=0
fail() { echo "check-package: $*" >&2; failed=1; }

# Regular files and links; directories say nothing of their own.
actual="$(dpkg-deb --fsys-tarfile "$deb" | tar -t --no-recursion | grep -v '/$' | sort)"
expected="$(sort "$root/desktop/package-files.txt")"
missing="$(comm -23 <(echo "$expected") <(echo "$actual"))"
extra="$(comm -13 <(echo "$expected") <(echo "$actual") | grep -v '^\./usr/lib/velmora/ext/' || true)"
[ -z "$missing" ] || fail "missing from the package:"$'\n'"$missing"
[ -z "$extra" ] || fail "not expected in the package:"$'\n'"$extra"

depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6widgets6 liblua5.1-0 libsqlite3-0 libzip4 fonts-wqy-microhei; do
  case "$depends" in *"$needed"*) ;; *) fail "Depends lacks $needed: $depends" ;; esac
done
conffiles="$(dpkg-deb -I "$deb" conffiles 2>/dev/null || true)"
[ "$conffiles" = "/etc/chromium/native-messaging-hosts/app.velmora.native_host.json" ] ||
  fail "conffiles: $conffiles"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
for manifest in "$work"/etc/chromium/native-messaging-hosts/*.json "$work"/usr/lib/mozilla/native-messaging-hosts/*.json; do
  grep -q '"path": "/usr/lib/velmora/velmora-native-host"' "$manifest" || fail "wrong host path in $manifest"
done
[ -x "$work/usr/lib/velmora/velmora-native-host" ] || fail "the native host is not executable"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/usr/share/applications/velmora.desktop" || fail "desktop entry"
fi

if [ "$lint" = 1 ]; then
  if command -v lintian >/dev/null; then
    # Root may run lintian only with this said out loud.
    lintian --allow-root --tag-display-limit 0 "$deb" | tee "$work/lintian.txt" || true
    if grep -q '^E:' "$work/lintian.txt"; then fail "lintian reports errors"; fi
  else
    echo "check-package: lintian is not installed; skipped" >&2
  fi
fi
[ "$failed" = 0 ] && echo "check-package: $(basename "$deb") is complete"
exit "$failed"
