#!/usr/bin/env bash
# Builds the core and tool tests with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ and runs them (the window tests
# and the crash tests run in the normal build only).  Any sanitizer finding,
# leaks included, fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVRAL_ASAN_DIR:-$top/build-asan}
export CCACHE_BASEDIR=$top CCACHE_NOHASHDIR=1
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRAL_SANITIZE=ON
fi
cmake --build "$build" -j "$(nproc)" --target test_base test_data test_ledger kovral-check kovral-gen kovral-export kovral-import
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$top/tests/sanitizer/lsan.supp:print_suppressions=0
cd "$build"
ctest --output-on-failure -j "$(nproc)" -L '^(base|data|ledger|tools)$' "$@"
