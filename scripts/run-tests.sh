#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and runs the whole test
# suite (unit, integration and gui labels), after the threading tests under
# ThreadSanitizer.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$here/build}
tsan_dir=${TSAN_BUILD_DIR:-$here/build-tsan}

BUILD_DIR="$build_dir" bash "$here/scripts/build.sh"

cmake -S "$here" -B "$tsan_dir" -G Ninja -DMARLIN_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$tsan_dir" --parallel "$(nproc)" --target tst_taskpool tst_taskpoolstress tst_diagnosticlog tst_puxtoolcache
ctest --test-dir "$tsan_dir" -L threads --output-on-failure

ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" "$@"
