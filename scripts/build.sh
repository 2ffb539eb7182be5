#!/usr/bin/env bash
# Installs what Marlin needs and builds it into an application directory.
#   scripts/build.sh [--asan|--tsan] [extra cmake arguments]
# BUILD_DIR (default: build, or build-asan / build-tsan) and BUILD_TYPE
# (default: RelWithDebInfo) may be set in the environment.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

variant=""
if [ "${1:-}" = "--asan" ] || [ "${1:-}" = "--tsan" ]; then
  variant=${1#--}
  shift
fi

bash "$here/scripts/install-deps.sh"

default_dir="$here/build"
cmake_args=()
case "$variant" in
  asan) default_dir="$here/build-asan"; cmake_args+=(-DMARLIN_ASAN=ON) ;;
  tsan) default_dir="$here/build-tsan"; cmake_args+=(-DMARLIN_TSAN=ON) ;;
esac
build_dir=${BUILD_DIR:-$default_dir}

cmake -S "$here" -B "$build_dir" -G Ninja \
  -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${cmake_args[@]}" "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
echo "build: application directory is $build_dir/app"
