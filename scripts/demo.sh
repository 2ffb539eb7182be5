#!/usr/bin/env bash
# The demo: serves the local sample video site on 127.0.0.1 and runs Marlin's
# whole pipeline on one of its pages with marlin-cli: the page's qualities,
# a download of a DASH quality with its audio and subtitles merged, and the
# conversion of the result with a preset. Needs no internet.
#   scripts/demo.sh [build directory]
# The results go to <build directory>/demo-output (DEMO_OUTPUT changes it);
# the settings and the data of the run live in a temporary folder, and its
# diagnostic log ends in <build directory>/demo-logs.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$(cd "${1:-$here/build}" && pwd)
app_dir="$build_dir/app"
cli="$app_dir/marlin-cli"
server="$build_dir/tests/marlin-sample-server"
output=${DEMO_OUTPUT:-$build_dir/demo-output}
page_id=dash_sample
profile="MP4 HD 720p"

for f in "$app_dir/yt.zip" "$cli" "$server"; do
  [ -e "$f" ] || { echo "demo: $f is missing; build first (scripts/build.sh)" >&2; exit 1; }
done

# Marlin's settings and data for this run only, never the user's own.
MARLIN_HOME=$(mktemp -d "${TMPDIR:-/tmp}/marlin-demo-XXXXXX")
export MARLIN_HOME
rm -rf "$output"
mkdir -p "$output"

# The server stops by itself when this script's end of the pipe closes.
coproc SERVER { exec "$server" --until-stdin-closes 2>/dev/null; }
cleanup() {
  exec {SERVER[1]}>&- 2>/dev/null || true
  wait "$SERVER_PID" 2>/dev/null || true
  # The diagnostic log of the run outlives its private home.
  rm -rf "$build_dir/demo-logs"
  mv "$MARLIN_HOME/log" "$build_dir/demo-logs" 2>/dev/null || true
  rm -rf "$MARLIN_HOME"
}
trap cleanup EXIT
read -r -t 60 base_url <&"${SERVER[0]}" || { echo "demo: the sample server did not start" >&2; exit 1; }
host=${base_url#http://}
page="$base_url/watch?v=$page_id"

step() { printf '\n== %s\n\n' "$*"; }

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

echo
echo "The results are in $output"
