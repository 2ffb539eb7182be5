#!/usr/bin/env bash
# The demo, on a local sample video site served on 127.0.0.1 (no internet):
#
# - With a window system ($DISPLAY or $WAYLAND_DISPLAY): starts Marlin ready
#   to try on the sample site and prints addresses to paste into it. The
#   site stops when the window closes.
# - Without one (or with DEMO_HEADLESS=1): runs the whole pipeline with
#   marlin-cli (the page's qualities, a download of a DASH quality with its
#   audio and subtitles merged, the conversion of the result with a preset),
#   then does the same download in Marlin's window on an X server of its own
#   (Xvfb), driven from the keyboard with xdotool, and saves a picture of
#   each step.
#
#   scripts/demo.sh [build directory]
#
# The results go to <build directory>/demo-output (DEMO_OUTPUT changes it),
# the window's pictures to its screenshots/ folder. A headless run keeps its
# settings and data in a temporary folder, and its diagnostic log ends in
# <build directory>/demo-logs; a run with a window keeps them in
# <build directory>/demo-home, so that the user's own stay untouched.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$(cd "${1:-$here/build}" && pwd)
app_dir="$build_dir/app"
cli="$app_dir/marlin-cli"
marlin="$app_dir/marlin"
server="$build_dir/tests/marlin-sample-server"
xshot="$build_dir/tests/marlin-xshot"
output=${DEMO_OUTPUT:-$build_dir/demo-output}
page_id=dash_sample
profile="MP4 HD 720p"

for f in "$app_dir/yt.zip" "$cli" "$marlin" "$server" "$xshot"; do
  [ -e "$f" ] || { echo "demo: $f is missing; build first (scripts/build.sh)" >&2; exit 1; }
done

interactive=0
if [ -z "${DEMO_HEADLESS:-}" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  interactive=1
fi

# Marlin's settings and data for this demo only, never the user's own.
if [ "$interactive" = 1 ]; then
  MARLIN_HOME="$build_dir/demo-home"
  mkdir -p "$MARLIN_HOME"
else
  MARLIN_HOME=$(mktemp -d "${TMPDIR:-/tmp}/marlin-demo-XXXXXX")
fi
export MARLIN_HOME

# The server stops by itself when this script's end of the pipe closes.
coproc SERVER { exec "$server" --until-stdin-closes 2>/dev/null; }
xvfb_pid=""
marlin_pid=""
cleanup() {
  [ -n "$marlin_pid" ] && kill "$marlin_pid" 2>/dev/null && wait "$marlin_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  exec {SERVER[1]}>&- 2>/dev/null || true
  wait "$SERVER_PID" 2>/dev/null || true
  if [ "$interactive" != 1 ]; then
    # The diagnostic log of the run outlives its private home.
    rm -rf "$build_dir/demo-logs"
    mv "$MARLIN_HOME/log" "$build_dir/demo-logs" 2>/dev/null || true
    rm -rf "$MARLIN_HOME"
  fi
}
trap cleanup EXIT
read -r -t 60 base_url <&"${SERVER[0]}" || { echo "demo: the sample server did not start" >&2; exit 1; }
host=${base_url#http://}
page="$base_url/watch?v=$page_id"
# Marlin takes the sample site's pages as video pages.
export MARLIN_EXTRA_WATCH_HOST="$host"

step() { printf '\n== %s\n\n' "$*"; }

if [ "$interactive" = 1 ]; then
  echo "Sample video site: $base_url"
  echo
  echo "Marlin is starting. Paste one of these addresses into its address bar,"
  echo "then press DOWNLOAD (or Enter), or the arrow beside it to pick a quality:"
  echo
  echo "    $base_url/watch?v=dash_sample        (separate video, audio and subtitles)"
  echo "    $base_url/watch?v=aaaaaaaaaaa        (three qualities, subtitles)"
  echo "    $base_url/watch?v=single_long        (one long source)"
  echo
  echo "Downloads go to $MARLIN_HOME/videos. The site stops when the window closes."
  "$marlin" >/dev/null
  exit 0
fi

for program in Xvfb xdotool; do
  command -v "$program" >/dev/null || { echo "demo: $program is missing; run scripts/install-deps.sh" >&2; exit 1; }
done
rm -rf "$output"
mkdir -p "$output"

echo "Sample video site: $base_url"
echo "marlin-cli:        $cli"

step "1. The page's media information: marlin-cli info"
"$cli" info --allow-host "$host" "$page"

step "2. Download the 720p DASH quality with its audio and both subtitles merged, then convert it with the preset \"$profile\""
"$cli" download --allow-host "$host" --quality 720p --subtitles all \
  --convert "$profile" --keep-download --output "$output" "$page"

step "3. The results"
probe=$(command -v ffprobe || true)
found=0
for file in "$output"/*; do
  [ -f "$file" ] || continue
  found=1
  printf '%s\n  %s bytes\n' "$file" "$(stat -c %s "$file")"
  if [ -n "$probe" ]; then
    "$probe" -v error -show_entries stream=codec_type,codec_name,width,height:stream_tags=language \
      -of csv=p=0 "$file" | sed 's/^/  stream: /'
  fi
done
[ "$found" = 1 ] || { echo "demo: no result in $output" >&2; exit 1; }

step "4. The same download in Marlin's window, on an X server of its own (Xvfb), driven with xdotool"
shots="$output/screenshots"
mkdir -p "$shots"
downloads="$MARLIN_HOME/videos"

exec {display_fd}< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -t 10 line <&"$display_fd" && xvfb_pid=${line#pid }
read -r -t 30 number <&"$display_fd" || { echo "demo: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$MARLIN_HOME/runtime"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi

"$marlin" >"$MARLIN_HOME/marlin.out" 2>/dev/null &
marlin_pid=$!
deadline=$((SECONDS + 60))
until grep -q . "$MARLIN_HOME/marlin.out" || [ "$SECONDS" -ge "$deadline" ]; do
  sleep 0.1
done
grep -q "command:close splash screen" "$MARLIN_HOME/marlin.out" || { echo "demo: marlin printed no splash line" >&2; exit 1; }
echo "marlin said: $(head -n 1 "$MARLIN_HOME/marlin.out")"
window=$(xdotool search --sync --onlyvisible --pid "$marlin_pid" --name '^Marlin$' | head -n 1)

shot() {
  "$xshot" "$shots/$1.png" "$window"
  echo "  picture: $shots/$1.png"
}
key() { xdotool key --clearmodifiers "$@"; }

sleep 2
shot 1-started
xdotool windowfocus --sync "$window"
# Ctrl+L goes to the address entry; Tab, Tab to the quality button.
key ctrl+l
xdotool type --delay 15 "$page"
sleep 1
shot 2-address-pasted
key Tab Tab space
sleep 6
shot 3-qualities
key Escape
sleep 1
key ctrl+l Return
sleep 1.5
shot 4-added
deadline=$((SECONDS + 180))
result=""
while [ -z "$result" ] && [ "$SECONDS" -lt "$deadline" ]; do
  result=$(find "$downloads" -maxdepth 1 -type f -name '*.mp4' ! -name 'MRL_*' 2>/dev/null | head -n 1)
  sleep 0.5
done
[ -n "$result" ] || { echo "demo: the window's download gave no file" >&2; exit 1; }
sleep 1.5
shot 5-finished
key ctrl+q
wait "$marlin_pid" || true
marlin_pid=""
mv "$result" "$output/window-$(basename "$result")"
echo
echo "The window downloaded: $output/window-$(basename "$result")"
echo "Pictures of each step: $shots"
echo
echo "The results are in $output"
