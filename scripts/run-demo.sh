#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and runs the demo: a local
# sample video site on 127.0.0.1, and marlin-cli showing one of its pages,
# downloading it with its audio and subtitles merged and converting it.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$here/build}

BUILD_DIR="$build_dir" bash "$here/scripts/build.sh"
exec bash "$here/scripts/demo.sh" "$build_dir"
