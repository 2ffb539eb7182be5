#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and runs the whole test
# suite (unit, integration and gui labels).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$here/build}

BUILD_DIR="$build_dir" bash "$here/scripts/build.sh"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" "$@"
