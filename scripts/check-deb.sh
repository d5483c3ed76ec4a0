#!/usr/bin/env bash
# Builds the Debian package, installs it through apt (which resolves its Depends), checks what
# it put on the machine, starts Watchpost from it headless and ends it with SIGTERM, then
# removes the package again. Also checks that `cmake --install` installs the same files.
# Needs root or sudo. Usage: scripts/check-deb.sh [preset]   (ci by default)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-ci}
build=build/$preset

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "check-deb: run as root or install sudo" >&2; exit 1; }
  as_root=(sudo)
fi

fail() { echo "check-deb: FAIL: $*" >&2; exit 1; }

if dpkg-query -W -f='${Status}' corvane 2>/dev/null | grep -q "install ok installed"; then
  fail "corvane is installed already; remove it first (this check removes it when done)"
fi

# What the package and `cmake --install` must install, and nothing else.
programs=(watchpost casebook)
expected_files=()
for p in "${programs[@]}"; do
  expected_files+=(
    "bin/$p"
    "share/applications/$p.desktop"
    "share/icons/hicolor/scalable/apps/$p.svg"
    "share/metainfo/com.tamsford.$p.metainfo.xml"
  )
done

tmp=$(mktemp -d)
installed=0
cleanup() {
  local rc=$?
  if [ "$installed" -eq 1 ]; then
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get remove -y -qq corvane >/dev/null \
      || { echo "check-deb: FAIL: apt-get remove corvane" >&2; rc=1; }
  fi
  rm -rf "$tmp"
  exit "$rc"
}
trap cleanup EXIT

# `make build` installs what is missing first: the validators come with the build dependencies,
# dpkg-shlibdeps with build-essential.
make build PRESET="$preset"
rm -f "$build"/corvane_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/corvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one corvane_*.deb in $build"
deb=${debs[0]}

echo "== $deb"
dpkg-deb --info "$deb"

# Depends: computed from the executable (libc6 and Qt Widgets are always among them) plus the
# SVG plugins, which nothing links, and the font the export burns the time in with.
depends=$(dpkg-deb --field "$deb" Depends)
for dep in libc6 libqt6widgets6 libavcodec libavfilter libqt6svg6 fonts-dejavu-core; do
  grep -q "\\b$dep" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
[ "$(dpkg-deb --field "$deb" Package)" = corvane ] || fail "package name"

# The package's files, and a prefix install's, are exactly the expected ones.
want=$(printf '%s\n' "${expected_files[@]}" | sort)
got=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./usr/||' | sort)
[ "$got" = "$want" ] || fail "package files differ from the expected ones:
$(diff <(echo "$want") <(echo "$got") || true)"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
got=$(cd "$tmp/prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$got" = "$want" ] || fail "cmake --install files differ from the expected ones:
$(diff <(echo "$want") <(echo "$got") || true)"

# The unpacked tree as a whole: the metainfo's launchable and icon must be found in it.
dpkg-deb -x "$deb" "$tmp/tree"
appstreamcli validate-tree --no-net "$tmp/tree"

echo "== apt-get install $deb"
installed=1
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "./$deb"

for f in "${expected_files[@]}"; do [ -f "/usr/$f" ] || fail "/usr/$f missing"; done
for p in "${programs[@]}"; do
  [ -x "/usr/bin/$p" ] || fail "/usr/bin/$p is not executable"
  cmp "resources/icons/$p-128.svg" "/usr/share/icons/hicolor/scalable/apps/$p.svg" \
    || fail "installed icon of $p is not its application icon"
  grep -qx "Icon=$p" "/usr/share/applications/$p.desktop" || fail "$p.desktop: Icon="
  # desktop-file-validate fails on errors only; its warnings and hints count here too.
  hints=$(desktop-file-validate "/usr/share/applications/$p.desktop" 2>&1) \
    || fail "desktop-file-validate: $hints"
  [ -z "$hints" ] || fail "desktop-file-validate: $hints"
  appstreamcli validate --no-net "/usr/share/metainfo/com.tamsford.$p.metainfo.xml"
done
grep -qx "MimeType=video/x-msvideo;" /usr/share/applications/casebook.desktop \
  || fail "casebook.desktop does not open AVI files"

mkdir -p "$tmp/home" "$tmp/runtime"
chmod 700 "$tmp/runtime"
# start_headless PROGRAM SECONDS [ENV...]: starts the installed PROGRAM offscreen with the
# temporary home, fails if it ends within SECONDS, then sends SIGTERM; its exit status is in rc.
start_headless() {
  local program=$1 seconds=$2
  shift 2
  env HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_RUNTIME_DIR="$tmp/runtime" \
    QT_QPA_PLATFORM=offscreen "$@" "/usr/bin/$program" >"$tmp/out" 2>&1 &
  local pid=$!
  sleep "$seconds"
  if ! kill -0 "$pid" 2>/dev/null; then
    rc=0; wait "$pid" || rc=$?
    cat "$tmp/out"
    fail "$program ended by itself within $seconds s (exit status $rc)"
  fi
  kill -TERM "$pid"
  rc=0; wait "$pid" || rc=$?
  cat "$tmp/out"
}

echo "== /usr/bin/watchpost, ended by SIGTERM"
start_headless watchpost 3 CORVANE_CAMERAS=pattern
[ "$rc" -eq 0 ] || fail "watchpost exited with status $rc after SIGTERM"
# Exit saves the settings; so must SIGTERM.
[ -s "$tmp/home/.config/Tamsford/Corvane.conf" ] || fail "no settings saved on SIGTERM"

echo "== /usr/bin/casebook starts"
start_headless casebook 2

echo "== /usr/bin/casebook --export, with no display at all"
ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc=size=160x120:rate=5 -frames:v 10 \
  -c:v rawvideo -pix_fmt bgr24 "$tmp/clip.avi"
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" \
  /usr/bin/casebook --export "$tmp/clip.avi" "$tmp/clip.mp4" \
  || fail "casebook --export exited with status $?"
frames=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets \
  -of csv=p=0 "$tmp/clip.mp4")
[ "$frames" = 10 ] || fail "casebook --export wrote $frames frames instead of 10"

echo "check-deb: OK ($deb)"
