#!/usr/bin/env bash
# Draws the user guide's picture of a movement notification: Watchpost started hidden
# (--start --hidden) on a moving file camera, under Xvfb with trayer as the notification area,
# and the corner of the screen where the notice shows. Needs Xvfb, trayer, ffmpeg and ImageMagick.
#   bash scripts/screenshot-notification.sh [BUILD_DIR] [OUTPUT_PNG]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
out=${2:-docs/screenshots/notification-movement.png}
work=$(mktemp -d)
cleanup() {
  kill "${wp:-}" "${tray:-}" "${xvfb:-}" 2>/dev/null || true
  wait 2>/dev/null || true  # Watchpost writes its settings on the way out
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/config/Tamsford" "$work/rec"
chmod 700 "$work"
ffmpeg -loglevel error -f lavfi -i testsrc=size=320x240:rate=10 -t 20 -c:v mjpeg -q:v 4 "$work/cam.avi"
printf '[Settings]\nCurrentDirectory=%s\nInterval=250\nLimit=50\nCompressor=mjpeg\nCompressorQuality=75\n' \
  "$work/rec" >"$work/config/Tamsford/Corvane.conf"
mkfifo "$work/display"
Xvfb -screen 0 800x600x24 -nolisten tcp -displayfd 3 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 display <"$work/display"
export DISPLAY=":$display"
trayer --edge top --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
tray=$!
sleep 1
QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" HOME="$work" \
  CORVANE_CAMERAS="file:$work/cam.avi" "$build/capture/main/watchpost" --start --hidden 2>/dev/null &
wp=$!
sleep 6
import -window root "$work/root.png"
convert "$work/root.png" -crop 330x100+470+0 +repage "$out"
echo "wrote $out"
