#!/usr/bin/env bash
# `cmake --install` puts the program, its desktop entry and its icons where a Linux desktop
# finds them; the installed entry is valid; the installed program says in one line that it
# needs a display when there is none.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/lumetra share/applications/lumetra.desktop \
         share/icons/hicolor/48x48/apps/lumetra.png share/icons/hicolor/256x256/apps/lumetra.png; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/lumetra.desktop"
grep -qx "Exec=lumetra" "$prefix/share/applications/lumetra.desktop"
grep -qx "Icon=lumetra" "$prefix/share/applications/lumetra.desktop"

set +e
said="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/lumetra" 2>&1)"
code=$?
set -e
[ "$code" -ne 0 ] || { echo "lumetra without a display exited 0"; exit 1; }
[ "$(printf '%s\n' "$said" | wc -l)" -eq 1 ] || { echo "not one line: $said"; exit 1; }
grep -q "scripts/screenshot" <<<"$said" || { echo "no hint: $said"; exit 1; }
echo "installed and valid"
