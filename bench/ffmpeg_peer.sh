#!/usr/bin/env bash
# Our hit (capture_bench's Hit benchmarks) side by side with the ffmpeg command line encoding
# the same frames with the options AviWriter gives each compressor.
#
#   flock /tmp/corvane-build.lock bench/ffmpeg_peer.sh build/ci [repetitions]
#
# PEER_RAW=FILE keeps the figures of every repetition there. PEER_CODECS="mjpeg libx264" runs
# only those compressors.
#
# The machine is shared and its load comes and goes, so every repetition runs ours and ffmpeg's
# back to back for one compressor and size; the table gives the medians over the repetitions,
# and the ratio is the median of the per-repetition ratios.
#
# Both sides are timed in the steady state of a recording, on as many frames, so that both
# write as much (past a few hundred MB the page cache starts holding writes back):
# - ours: the Hit benchmark times N hits after 17 untimed ones;
# - ffmpeg, from its own -benchmark figures, with the same frames read 16 + N and 16 times:
#     per frame = ((encode(16 + N) - encode(16)) - (null(16 + N) - null(16))) / N
#   The difference of the two lengths drops start-up and the first 16 frames; the null runs
#   read, demux and hand over the same frames with no conversion and no encoder, so what is
#   left is conversion + encode + mux + write, the work of AviWriter::writeFrame, which is what
#   "append" times on our side. The short runs and the null runs are medians of three. CPU
#   (user + system) is worked out the same way.
set -euo pipefail

build=${1:?usage: ffmpeg_peer.sh BUILD_DIR [REPETITIONS]}
reps=${2:-5}
bench="$build/bench/capture_bench"
budget_ms=60
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-peer-XXXXXX")
trap 'rm -rf "$work"' EXIT

"$bench" --dump_frames="$work" >/dev/null

# AviWriter's choices: quality 75 is qscale 9; Motion JPEG is full-range 4:2:0; one thread but
# for FFV1, which codes version 3 in 6 slices on a thread per core.
sizes=(640x480 1600x1024)
declare -A options=(
  [rawvideo]="-c:v rawvideo -pix_fmt bgr24"
  [mjpeg]="-c:v mjpeg -pix_fmt yuvj420p -q:v 9 -threads 1"
  [ffv1]="-c:v ffv1 -pix_fmt bgr0 -level 3 -slices 6 -threads $(nproc)"
  [mpeg4]="-c:v mpeg4 -pix_fmt yuv420p -q:v 9 -bf 0 -threads 1"
  [huffyuv]="-c:v huffyuv -pix_fmt rgb24 -threads 1"
  [utvideo]="-c:v utvideo -pix_fmt gbrp -threads 1"
  # Quality 75 is rate factor 28; an IDR every 2 s of the 4 frames a second played, no B-frames,
  # zero latency on slice threads, one per core.
  [libx264]="-c:v libx264 -pix_fmt yuv420p -preset veryfast -tune zerolatency -crf 28 -x264-params scenecut=0:qcomp=1:ipratio=1 -g 8 -bf 0 -threads $(nproc)"
)
# What capture_bench runs: the compressors this FFmpeg offers, and how many hits per size.
list=$("$bench" --benchmark_list_tests=true 2>/dev/null)
mapfile -t codecs < <(sed -n 's|^Hit/\([^/]*\)/640x480/.*|\1|p' <<<"$list")
if [[ -n ${PEER_CODECS:-} ]]; then read -r -a codecs <<<"$PEER_CODECS"; fi
declare -A hits
for size in "${sizes[@]}"; do
  hits[$size]=$(sed -n "s|^Hit/[^/]*/$size/iterations:\([0-9]*\)/.*|\1|p" <<<"$list" | head -n1)
done

# "wall_seconds cpu_seconds" of one ffmpeg run.
ffmpeg_run() {
  ffmpeg -hide_banner -nostdin -nostats -loglevel info -benchmark "$@" 2>&1 |
    sed -n 's/.*bench: utime=\([0-9.]*\)s stime=\([0-9.]*\)s rtime=\([0-9.]*\)s.*/\3 \1 \2/p' |
    awk '{ printf "%.6f %.6f\n", $1, $2 + $3 }'
}

# "detect append append_ui_cpu log_us hit worst_hit file_bytes_per_frame" of one Hit run, in
# ms (the log line in us).
ours_run() {
  "$bench" --benchmark_filter="^Hit/$1/$2/" --benchmark_format=csv 2>/dev/null | awk -F, '
    NR == 1 { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); col[$i] = i } next }
    /^"Hit/ { print $col["detect_ms"], $col["append_ms"], $col["append_ui_cpu_ms"], $col["log_us"],
              $col["real_time"], $col["worst_hit_ms"], $col["file_bytes_per_frame"] }'
}

# The median of three runs of "wall cpu" in seconds.
median3() { for _ in 1 2 3; do ffmpeg_run "$@"; done | sort -n | sed -n 2p; }

# One line per repetition: size codec rep, ours (7 fields), ffmpeg wall and cpu per frame, and
# ffmpeg's file bytes per frame.
: >"$work/raw"
for ((r = 1; r <= reps; r++)); do
  for size in "${sizes[@]}"; do
    frames=${hits[$size]}
    raw=(-f rawvideo -pix_fmt bgr24 -s "$size" -r 4 -i "$work/pattern-$size.bgr")
    long=(-stream_loop $((frames / 16)) "${raw[@]}")
    read -r null_short null_short_cpu < <(median3 "${raw[@]}" -f null -)
    read -r null_long null_long_cpu < <(median3 "${long[@]}" -f null -)
    for codec in "${codecs[@]}"; do
      ours=$(ours_run "$codec" "$size")
      [[ -n $ours ]] || { echo "capture_bench gave nothing for $codec $size" >&2; exit 1; }
      # shellcheck disable=SC2086  # the options are words
      encode=(-sws_flags bicubic -filter_threads 1 ${options[$codec]} -f avi -y "$work/out.avi")
      read -r short short_cpu < <(median3 "${raw[@]}" "${encode[@]}")
      read -r wall cpu < <(ffmpeg_run "${long[@]}" "${encode[@]}")
      got=$(ffprobe -v error -count_packets -select_streams v:0 \
        -show_entries stream=nb_read_packets -of csv=p=0 "$work/out.avi")
      if [[ $got != $((frames + 16)) ]]; then
        echo "$codec $size: ffmpeg wrote $got frames" >&2
        exit 1
      fi
      awk -v line="$size $codec $r $ours" -v n="$frames" -v b="$(stat -c %s "$work/out.avi")" \
        -v w="$wall" -v s="$short" -v nl="$null_long" -v ns="$null_short" \
        -v c="$cpu" -v sc="$short_cpu" -v ncl="$null_long_cpu" -v ncs="$null_short_cpu" \
        'BEGIN { printf "%s %.4f %.4f %.0f\n", line, ((w - s) - (nl - ns)) * 1e3 / n,
                 ((c - sc) - (ncl - ncs)) * 1e3 / n, b / (n + 16) }' >>"$work/raw"
    done
  done
  echo "repetition $r of $reps done" >&2
done

if [[ -n ${PEER_RAW:-} ]]; then cp "$work/raw" "$PEER_RAW"; fi

# Medians per size and compressor, in the order they ran.
awk -v budget="$budget_ms" '
  function median(list,   v, n, i, j, t) {
    n = split(list, v, " ")
    for (i = 2; i <= n; i++)
      for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  {
    k = $1 " " $2
    if (!(k in seen)) { seen[k] = 1; order[++keys] = k }
    detect[k] = detect[k] " " $4; append[k] = append[k] " " $5; ui[k] = ui[k] " " $6
    logus[k] = logus[k] " " $7; hit[k] = hit[k] " " $8; worst[k] = worst[k] " " $9
    fw[k] = fw[k] " " $11; fc[k] = fc[k] " " $12; ratio[k] = ratio[k] " " ($5 / $11)
    ourkb[k] = $10 / 1000; peerkb[k] = $13 / 1000
  }
  END {
    head = "%-10s %-9s %8s %8s %8s %7s %8s %8s | %8s %8s | %6s | %-12s | %s\n"
    row = "%-10s %-9s %8.3f %8.3f %8.3f %7.1f %8.3f %8.3f | %8.3f %8.3f | %6.2f | %-12s | %.1f, %.1f\n"
    printf head, "size", "codec", "detect", "append", "(ui cpu)", "log_us", "hit", "(worst)",
      "ffmpeg", "(cpu)", "ratio", "hit <= " budget " ms", "kB/frame ours, ffmpeg"
    for (i = 1; i <= keys; i++) {
      k = order[i]; split(k, f, " "); h = median(hit[k])
      printf row, f[1], f[2], median(detect[k]), median(append[k]), median(ui[k]),
        median(logus[k]), h, median(worst[k]), median(fw[k]), median(fc[k]), median(ratio[k]),
        h <= budget ? "yes" : "NO", ourkb[k], peerkb[k]
    }
  }' "$work/raw"
