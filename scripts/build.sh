#!/usr/bin/env bash
# Configures (once) and builds KOVRAL in build/ with Ninja.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVRAL_BUILD_DIR:-$top/build}
export CCACHE_BASEDIR=$top CCACHE_NOHASHDIR=1
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j "$(nproc)"
