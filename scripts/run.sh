#!/usr/bin/env bash
# Installs what is missing, builds, and starts KOVRAL on its default data
# folder (build/DATA/, made on first start).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
build=${KOVRAL_BUILD_DIR:-$top/build}
exec "$build/kovral" "$@"
