#!/usr/bin/env bash
# The demo: serves the local sample video site on 127.0.0.1 and shows the
# media information that Marlin's extractor tool finds on two of its pages.
#   scripts/demo.sh [build directory]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$here/build}
app_dir="$build_dir/app"
server="$build_dir/tests/marlin-sample-server"

for f in "$app_dir/yt.zip" "$server"; do
  [ -e "$f" ] || { echo "demo: $f is missing; build first (scripts/build.sh)" >&2; exit 1; }
done

# The server stops by itself when this script's end of the pipe closes.
coproc SERVER { exec "$server" --until-stdin-closes; }
trap 'exec {SERVER[1]}>&-; wait "$SERVER_PID" 2>/dev/null || true' EXIT
read -r -t 60 base_url <&"${SERVER[0]}" || { echo "demo: the sample server did not start" >&2; exit 1; }
echo "Sample video site: $base_url"

python=$(command -v python3)
for id in aaaaaaaaaaa dash_sample; do
  url="$base_url/watch/$id"
  echo
  echo "== $url"
  "$python" "$app_dir/yt.zip" --no-check-certificate --dump-json -- "$url" 2>/dev/null |
    "$python" -c '
import json, sys
info = json.load(sys.stdin)
print("Title:     %s" % info.get("title"))
print("Thumbnail: %s" % info.get("thumbnail"))
print("Subtitles: %s" % ", ".join(sorted(info.get("subtitles") or {})))
print("Qualities:")
for f in info.get("formats", []):
    kind = "video+audio"
    if f.get("acodec") == "none":
        kind = "video only"
    elif f.get("vcodec") == "none":
        kind = "audio only"
    res = "%sx%s" % (f.get("width"), f.get("height")) if f.get("height") else "-"
    print("  %-14s %-5s %-10s %s" % (f.get("format_id"), f.get("ext"), res, kind))
'
done
