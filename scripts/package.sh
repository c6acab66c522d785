#!/usr/bin/env bash
# Builds KOVRAL for release in build-pkg/ and makes its Debian package there
# (kovral_VERSION_ARCH.deb); prints the package's path.
#   sudo apt install ./build-pkg/kovral_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
build=${KOVRAL_PKG_DIR:-$top/build-pkg}
export CCACHE_BASEDIR=$top CCACHE_NOHASHDIR=1
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
fi
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/kovral_*.deb
