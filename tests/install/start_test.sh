#!/usr/bin/env bash
# Starts a KOVRAL program file offscreen and waits until it has made its data
# folder, then ends it.  Fails when the data folder appears anywhere else.
#   start_test.sh PROGRAM EXPECTED_DATA_FOLDER FORBIDDEN_FOLDER [ARGS...]
set -uo pipefail
program=$1 expected=$2 forbidden=$3
shift 3
QT_QPA_PLATFORM=offscreen "$program" "$@" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 1 600); do
  [ -f "$expected/KOVRALDB.INI" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
if [ ! -f "$expected/KOVRALDB.INI" ]; then
  echo "no data folder made in $expected"
  exit 1
fi
if [ -e "$forbidden/DATA" ]; then
  echo "a data folder was made in $forbidden"
  exit 1
fi
echo "data folder made in $expected"
