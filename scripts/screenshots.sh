#!/usr/bin/env bash
# Draws Watchpost (on the test pattern) and Casebook (on a recording made from it) offscreen into
# the user guide's pictures (docs/screenshots/),
# with a throw-away home folder so that nothing of the user's settings or videos is touched.
#   bash scripts/screenshots.sh [OUTPUT_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshots}"
make build PRESET=dev >/dev/null
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home" CORVANE_CAMERAS=pattern \
  QT_QPA_PLATFORM=offscreen ./build/dev/tools/screenshots/watchpost_screenshots "$out" \
  2> >(grep -v 'does not support' >&2)
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home" TMPDIR="$home" \
  QT_QPA_PLATFORM=offscreen ./build/dev/tools/screenshots/casebook_screenshots "$out" \
  2> >(grep -v 'does not support' >&2)
# A frame of the clip Casebook exported there, as any player shows it.
ffmpeg -hide_banner -loglevel error -y -i "$home/casebook-export.mp4" -vf "select=eq(n\\,20)" \
  -frames:v 1 "$out/casebook-export-frame.png"
