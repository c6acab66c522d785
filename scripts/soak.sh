#!/usr/bin/env bash
# Crash-safety soak, run by hand: thousands of random kills of the driver on
# one data folder, then the kill at every write (every point of every
# scenario), disk full and read-only.  Needs root for mount (disk full,
# read-only) and strace.
#
#   scripts/soak.sh [KILLS] [BUILD_DIR]      (default 3000 kills, build/)
#
# Each checker ends with "<n> passed, <m> failed"; the script fails when
# either reports a failure.  Work folders are kept under $SOAK_DIR (default
# /tmp/kovral-soak) when something failed.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
kills=${1:-3000}
build=${2:-${KOVRAL_BUILD_DIR:-$top/build}}
work=${SOAK_DIR:-/tmp/kovral-soak}
driver=$build/kovral-driver
check=$build/kovral-check
for t in "$driver" "$check"; do
  [ -x "$t" ] || { echo "missing $t: build first (cmake --build $build --target kovral-driver kovral-check)"; exit 2; }
done
rm -rf "$work"
mkdir -p "$work"
status=0
echo "== kill test: $kills kills"
python3 "$top/tests/crash/kill_test.py" --driver "$driver" --check "$check" --kills "$kills" \
  --seed "${SOAK_SEED:-$RANDOM}" --workdir "$work/kill" || status=1
echo "== kill at every write, disk full, read-only"
python3 "$top/tests/crash/inject_test.py" --driver "$driver" --check "$check" --points 0 \
  --workdir "$work/inject" || status=1
[ $status -eq 0 ] && rm -rf "$work"
exit $status
