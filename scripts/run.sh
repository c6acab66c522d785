#!/usr/bin/env bash
# Installs what is missing, builds, and starts KOVRAL.  The ledger lives in
# ~/.local/share/kovral/ ($XDG_DATA_HOME/kovral/ when that is set), never in
# build/; pass --home DIR to keep it elsewhere.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
build=${KOVRAL_BUILD_DIR:-$top/build}
exec "$build/kovral" "$@"
