#!/usr/bin/env bash
# Watchpost left alone: 30 minutes under Xvfb on a file camera that always moves (ffmpeg's
# testsrc), Limit 50, Auto Restart on, Motion JPEG, the camera's file taken away and put back
# every 5 minutes (away for 20 s). At the end: runs made, frames, whether every run's AVI holds
# as many frames (ffprobe) as its log has frame lines, resident memory at 1 minute and at the
# end, and the gaps from the camera's return to the first frame of the next run.
# Not a test: it takes half an hour.
#
#   make build PRESET=ci
#   flock /tmp/corvane-build.lock bash bench/soak.sh [BUILD_DIR]
#
# SOAK_MINUTES and SOAK_PERIOD_S shorten it for a trial (e.g. 4 and 60); SOAK_KEEP=1 keeps the
# recordings. Targets: no run lost, every pair whole, memory flat within 16 MiB, recording again
# within 3 s of the camera's return.
set -euo pipefail

build=${1:-build/ci}
minutes=${SOAK_MINUTES:-30}
period_s=${SOAK_PERIOD_S:-300}
away_s=${SOAK_AWAY_S:-20}
watchpost="$build/capture/main/watchpost"
say() { echo "soak: $*" >&2; }

for tool in Xvfb ffmpeg ffprobe; do
  command -v "$tool" >/dev/null || { say "$tool is missing"; exit 2; }
done
[ -x "$watchpost" ] || { say "no $watchpost; build first"; exit 2; }

work=$(mktemp -d)
cleanup() {
  [ -n "${wp:-}" ] && kill "$wp" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  if [ "${SOAK_KEEP:-0}" = 1 ]; then say "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
mkdir -p "$work/config/Tamsford" "$work/rec"
clip="$work/camera.avi"
ffmpeg -loglevel error -f lavfi -i testsrc=size=320x240:rate=10 -t 30 -c:v mjpeg -q:v 4 "$clip"
printf '[Settings]\nCurrentDirectory=%s\nInterval=100\nLimit=50\nAutoRestart=1\nCompressor=mjpeg\nCompressorQuality=75\n' \
  "$work/rec" > "$work/config/Tamsford/Corvane.conf"

# Xvfb picks a free display and writes its number once it is ready.
mkfifo "$work/display"
Xvfb -screen 0 1024x768x24 -nolisten tcp -displayfd 3 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 display <"$work/display" || { say "Xvfb did not start"; exit 2; }
DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
  HOME="$work" CORVANE_CAMERAS="file:$clip" "$watchpost" --start 2>"$work/stderr" &
wp=$!

rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$wp/status"; }
newest_log() { ls -1t "$work/rec"/*.log 2>/dev/null | head -n 1; }
start=$(date +%s)
end=$((start + minutes * 60))
rss_1min=""
gaps=()
next_away=$((start + period_s))
while [ "$(date +%s)" -lt "$end" ]; do
  kill -0 "$wp" 2>/dev/null || { say "Watchpost ended early"; cat "$work/stderr" >&2; exit 1; }
  now=$(date +%s)
  [ -z "$rss_1min" ] && [ $((now - start)) -ge 60 ] && rss_1min=$(rss_kib)
  if [ "$now" -ge "$next_away" ] && [ $((end - now)) -gt $((away_s + 10)) ]; then
    mv "$clip" "$clip.away"
    sleep "$away_s"
    logs_before=$(ls -1 "$work/rec"/*.log | wc -l)
    mv "$clip.away" "$clip"
    back=$(date +%s.%N)
    # The first frame line of a run begun after the return.
    gap=""
    for _ in $(seq 1 300); do
      if [ "$(ls -1 "$work/rec"/*.log | wc -l)" -gt "$logs_before" ] &&
        grep -q '^Frame# 1 ' "$(newest_log)"; then
        gap=$(awk -v now="$(date +%s.%N)" -v back="$back" 'BEGIN { printf "%.2f", now - back }')
        break
      fi
      sleep 0.05
    done
    gaps+=("${gap:-none}")
    next_away=$((next_away + period_s))
  fi
  sleep 1
done
rss_end=$(rss_kib)
kill -TERM "$wp"
wait "$wp" || true
wp=""

runs=0 frames=0 whole=0
for log in "$work/rec"/*.log; do
  avi="${log%.log}.avi"
  lines=$(grep -c '^Frame# ' "$log" || true)
  in_avi=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$avi" 2>/dev/null || echo -1)
  runs=$((runs + 1))
  frames=$((frames + lines))
  if [ "$lines" = "$in_avi" ]; then whole=$((whole + 1)); else say "$(basename "$log"): log $lines, AVI $in_avi"; fi
done
lost=$(grep -c 'Camera lost at' "$work/stderr" || true)
back=$(grep -c 'Camera back at' "$work/stderr" || true)
echo "soak: ${minutes} min, camera away ${away_s} s every ${period_s} s"
echo "runs: $runs, frames: $frames, whole pairs: $whole of $runs"
echo "camera lost: $lost, back: $back"
echo "resident memory: ${rss_1min:-?} KiB at 1 min, $rss_end KiB at the end"
echo "gaps from the camera's return to the first new frame (s): ${gaps[*]:-none}"
