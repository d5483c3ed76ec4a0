#!/usr/bin/env bash
# Casebook's clip export beside the ffmpeg command line doing the same work: 2,000 frames of
# 640x480 at 15 fps from an uncompressed AVI, each frame's log time burned in by drawtext
# (each frame's own text: Casebook's frames carry it as metadata that drawtext expands; the
# command line has no way to attach it, so ffmpeg re-initialises drawtext with it before each
# frame from a sendcmd file), to H.264 in MP4 with the same encoder options, on one thread each.
#
#   flock /tmp/corvane-build.lock bench/export_peer.sh build/ci [repetitions]
#
# Each repetition runs ours and ffmpeg's back to back (the machine's load comes and goes); the
# table gives the medians of wall and CPU (user + system) time, and the ratio is the median of
# the per-repetition ratios. Both files are checked to hold 2,000 frames.
set -euo pipefail

build=${1:?usage: export_peer.sh BUILD_DIR [REPETITIONS]}
reps=${2:-3}
casebook="$build/viewer/app/casebook"
frames=2000
rate=15
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-export-peer-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The recording: a moving test picture, uncompressed as Watchpost writes by default, and a log
# of one line per frame, three frames a second of log time.
ffmpeg -hide_banner -loglevel error -f lavfi -i "testsrc2=size=640x480:rate=$rate" \
  -frames:v "$frames" -c:v rawvideo -pix_fmt bgr24 "$work/rec.avi"
start=1796625075
seq 0 $((frames - 1)) | awk -v s="$start" '{ printf "@%d\n", s + int($1 / 3) }' |
  date -f - '+%a %b %d %H:%M:%S %Y' >"$work/times"
awk '{ printf "Frame# %d %s\r\n", NR, $0 }' "$work/times" >"$work/rec.log"

# The same text, box and font as ClipExporter (BurnedFontSize(640, 480) is 26), each frame's
# text sent just before that frame.
font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf
# The text is a reinit argument inside sendcmd's quotes: its colons are escaped for drawtext.
awk -v r="$rate" '{ t = $0; gsub(/:/, "\\:", t); s = (NR - 1) / r - 0.0001
  printf "%.6f drawtext reinit '"'"'text=%s'"'"';\n", s < 0 ? 0 : s, t }' \
  "$work/times" >"$work/commands"
# The first frame's text, its colons escaped for both the graph and the filter's options.
first=$(head -n1 "$work/times")
first=${first//:/'\\:'}
filter="sendcmd=f=$work/commands,crop=w=iw-mod(iw\\,2):h=ih-mod(ih\\,2):x=0:y=0,format=yuv420p,"
filter+="drawtext=fontfile=$font:text=$first:expansion=none:fontsize=26:fontcolor=white"
filter+=":box=1:boxcolor=black@0.75:boxborderw=3:x=3:y=h-th-3"
encode=(-c:v libx264 -preset veryfast -crf 23 -profile:v high -g 30 -threads 1)

count() {
  ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets \
    -of csv=p=0 "$1"
}
# "wall cpu" seconds of a command.
timed() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>"$work/log"; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}

: >"$work/raw"
for ((r = 1; r <= reps; r++)); do
  read -r ours ours_cpu < <(timed "$casebook" --export "$work/rec.avi" "$work/ours.mp4" --threads 1)
  [[ $(count "$work/ours.mp4") == "$frames" ]] || { echo "ours: wrong frame count" >&2; exit 1; }
  read -r peer peer_cpu < <(timed ffmpeg -hide_banner -nostdin -y -threads 1 -filter_threads 1 \
    -i "$work/rec.avi" -vf "$filter" "${encode[@]}" -f mp4 "$work/peer.mp4")
  [[ $(count "$work/peer.mp4") == "$frames" ]] || { cat "$work/log" >&2; echo "ffmpeg: wrong frame count" >&2; exit 1; }
  echo "$ours $ours_cpu $peer $peer_cpu" >>"$work/raw"
  echo "repetition $r of $reps: ours ${ours} s, ffmpeg ${peer} s" >&2
done
if [[ -n ${PEER_RAW:-} ]]; then cp "$work/raw" "$PEER_RAW"; fi

awk -v n="$frames" -v rate="$rate" '
  function median(list,   v, k, i, j, t) {
    k = split(list, v, " ")
    for (i = 2; i <= k; i++)
      for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return k % 2 ? v[(k + 1) / 2] : (v[k / 2] + v[k / 2 + 1]) / 2
  }
  { w = w " " $1; c = c " " $2; pw = pw " " $3; pc = pc " " $4; q = q " " $1 / $3 }
  END {
    printf "| | wall s | CPU s | x real time | ms/frame |\n|---|---|---|---|---|\n"
    printf "| casebook --export --threads 1 | %.2f | %.2f | %.1f | %.2f |\n", median(w), median(c), n / rate / median(w), median(w) * 1e3 / n
    printf "| ffmpeg -threads 1 -filter_threads 1 | %.2f | %.2f | %.1f | %.2f |\n", median(pw), median(pc), n / rate / median(pw), median(pw) * 1e3 / n
    printf "\nours / ffmpeg (median of the per-repetition ratios): %.3f over %d repetitions\n", median(q), NR
  }' "$work/raw"
