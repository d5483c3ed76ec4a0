#!/usr/bin/env bash
# What Watchpost costs while it watches, against Motion (4.5, Debian's `motion`) on the same
# file: a 640x480, 30 fps Motion JPEG clip made with ffmpeg. Each program runs for a 5 s start,
# then `perf stat -e task-clock` counts its CPU time over 15 s; three repetitions, medians.
#
#   make build PRESET=ci
#   flock /tmp/corvane-build.lock bash bench/cpu_vs_motion.sh [BUILD_DIR] [REPETITIONS]
#
# Motion, perf, ffmpeg, Xvfb and xdotool are benchmark tools, not Corvane's dependencies: the
# script installs those that are missing with apt-get (as root, or through sudo).
# Only task-clock from perf is used: on virtual machines the tick accounting behind top and
# /proc is far off.
# BENCH_RAW=FILE keeps the figure of every run there.
set -euo pipefail

build=${1:-build/ci}
reps=${2:-3}
start_s=5
measure_s=15
watchpost="$build/capture/main/watchpost"

say() { echo "cpu_vs_motion: $*" >&2; }

# --- the tools --------------------------------------------------------------------------------
declare -A package_of=([motion]=motion [perf]=linux-perf [ffmpeg]=ffmpeg [Xvfb]=xvfb
  [xdotool]=xdotool)
missing=()
for tool in "${!package_of[@]}"; do
  command -v "$tool" >/dev/null || missing+=("${package_of[$tool]}")
done
if ((${#missing[@]})); then
  as_root=()
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || {
      say "needs ${missing[*]}: run as root, or install them (apt-get install ${missing[*]})"
      exit 1
    }
    as_root=(sudo)
  fi
  say "installing the benchmark tools ${missing[*]} (not needed by Corvane itself)"
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi
if [[ ! -x $watchpost ]]; then
  say "no $watchpost: build it first with 'make build PRESET=ci' (Release)"
  exit 1
fi
# perf on another process wants perf_event_paranoid <= 1 or root.
if [[ $(id -u) -ne 0 && $(cat /proc/sys/kernel/perf_event_paranoid) -gt 1 ]]; then
  say "perf cannot watch other processes here: run as root, or" \
    "sysctl kernel.perf_event_paranoid=1"
  exit 1
fi

# --- clean-up ---------------------------------------------------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-cpu-XXXXXX")
pids=()
stop_all() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
}
trap 'stop_all; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# --- the clip ---------------------------------------------------------------------------------
clip="$work/clip.avi"
ffmpeg -hide_banner -nostdin -loglevel error -f lavfi -i testsrc2=size=640x480:rate=30 -t 30 \
  -c:v mjpeg -q:v 5 -pix_fmt yuvj420p -y "$clip"

# task-clock in ms of PID over the measuring time, after the start.
measure() {
  local pid=$1 out
  sleep "$start_s"
  kill -0 "$pid" 2>/dev/null || { say "the program under test ended early"; return 1; }
  out=$(perf stat -x, -e task-clock -p "$pid" -- sleep "$measure_s" 2>&1 >/dev/null)
  awk -F, '$3 ~ /task-clock/ { printf "%.1f\n", $1; found = 1 } END { exit !found }' <<<"$out" ||
    { say "perf said: $out"; return 1; }
}

# --- Motion -----------------------------------------------------------------------------------
# netcam_url file:// replays a movie file at the configured framerate, over and over; every
# frame is decoded and goes through detection. Nothing is written and nothing listens.
cat >"$work/motion.conf" <<EOF
daemon off
setup_mode off
log_level 4
log_file $work/motion.log
target_dir $work/motion
pid_file $work/motion.pid
netcam_url file://$clip
width 640
height 480
framerate 30
minimum_frame_time 0
emulate_motion off
picture_output off
picture_output_motion off
movie_output off
movie_output_motion off
snapshot_interval 0
webcontrol_port 0
stream_port 0
EOF
mkdir -p "$work/motion"

run_motion() {
  motion -n -c "$work/motion.conf" >/dev/null 2>&1 &
  pids+=($!)
  local ms
  ms=$(measure "$!") || { say "Motion's log:"; tail -n 20 "$work/motion.log" >&2; return 1; }
  stop_all
  echo "$ms"
}

# --- Watchpost under its own X server ---------------------------------------------------------
exec {ready}<> <(:)
Xvfb -screen 0 1024x768x24 -nolisten tcp -displayfd "$ready" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 10 -u "$ready" number || { say "Xvfb did not start"; exit 1; }
exec {ready}<&-
display=":$number"

# run_watchpost INTERVAL shown|hidden
run_watchpost() {
  local interval=$1 how=$2 home="$work/home-$1-$2" window="" ms
  rm -rf "$home"
  mkdir -p "$home/config/Tamsford" "$home/recordings"
  printf '[Settings]\nCurrentDirectory=%s\nInterval=%s\n' "$home/recordings" "$interval" \
    >"$home/config/Tamsford/Corvane.conf"
  env DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$home/config" \
    XDG_RUNTIME_DIR="$home" HOME="$home" CORVANE_CAMERAS="file:$clip" \
    "$watchpost" >/dev/null 2>"$home/stderr" &
  local pid=$!
  pids+=("$pid")
  for _ in $(seq 50); do
    window=$(DISPLAY=$display xdotool search --onlyvisible --name ' - Corvane$' 2>/dev/null |
      head -n1) || true
    [[ -n $window ]] && break
    sleep 0.2
  done
  if [[ -z $window ]]; then
    say "no Watchpost window; it said:"
    cat "$home/stderr" >&2
    return 1
  fi
  if [[ $how == hidden ]]; then
    # View > Hide, as a person hides it: Ctrl+H on the focused window.
    DISPLAY=$display xdotool windowfocus --sync "$window" key ctrl+h
    sleep 0.5
    if DISPLAY=$display xdotool search --onlyvisible --name ' - Corvane$' >/dev/null 2>&1; then
      say "Ctrl+H did not hide the window"
      return 1
    fi
  fi
  ms=$(measure "$pid")
  stop_all
  echo "$ms"
}

# --- the runs, interleaved so that the machine's load falls on all alike ----------------------
cases=("Motion 4.5|framerate 30" "Watchpost|Interval 60, shown" "Watchpost|Interval 250, shown"
  "Watchpost|Interval 250, hidden")
: >"$work/raw"
for ((r = 1; r <= reps; r++)); do
  for c in "${cases[@]}"; do
    case $c in
      Motion*) ms=$(run_motion) ;;
      *"60, shown") ms=$(run_watchpost 60 shown) ;;
      *"250, shown") ms=$(run_watchpost 250 shown) ;;
      *"250, hidden") ms=$(run_watchpost 250 hidden) ;;
    esac
    echo "$c|$r|$ms" >>"$work/raw"
  done
  say "repetition $r of $reps done"
done
kill "$xvfb_pid" 2>/dev/null || true
wait "$xvfb_pid" 2>/dev/null || true

if [[ -n ${BENCH_RAW:-} ]]; then cp "$work/raw" "$BENCH_RAW"; fi

echo "Medians of $reps runs; task-clock over ${measure_s} s after a ${start_s} s start," \
  "640x480 30 fps Motion JPEG ($(nproc) cores)"
awk -F'|' -v secs="$measure_s" '
  function median(list,   v, n, i, j, t) {
    n = split(list, v, " ")
    for (i = 2; i <= n; i++)
      for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  {
    k = $1 "|" $2
    if (!(k in runs)) order[++keys] = k
    runs[k] = runs[k] " " $4
  }
  END {
    target["Watchpost|Interval 60, shown"] = 1.0
    target["Watchpost|Interval 250, shown"] = 0.5
    target["Watchpost|Interval 250, hidden"] = 0.3
    motion = median(runs[order[1]])
    printf "%-10s | %-22s | %14s | %-24s | %11s | %8s | %s\n", "program", "setting",
      "task-clock ms", "runs", "one core", "x Motion", "target"
    for (i = 1; i <= keys; i++) {
      k = order[i]; split(k, f, "|"); m = median(runs[k]); ratio = m / motion
      verdict = k in target ? sprintf("<= %.1fx %s", target[k], ratio <= target[k] ? "met" : "MISSED") : "-"
      printf "%-10s | %-22s | %14.1f | %-24s | %10.2f%% | %7.2fx | %s\n", f[1], f[2], m,
        substr(runs[k], 2), m / (secs * 10), ratio, verdict
    }
  }' "$work/raw"
