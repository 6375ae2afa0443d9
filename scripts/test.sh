#!/usr/bin/env bash
# Builds Kelvor with every test and runs them all through ctest.
#
# The real-device tests get a sound server of their own (scripts/start-pulse.sh) in a fresh
# directory, unless KELVOR_PULSE_DIR names one; a server this run started is stopped when
# ctest ends, also when a test fails or the run is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# A build directory made earlier keeps its generator; a new one uses Ninja.
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build >/dev/null
else
  cmake -S . -B build -G Ninja >/dev/null
fi
cmake --build build

if [ -f scripts/start-pulse.sh ]; then
  made_dir=""
  if [ -z "${KELVOR_PULSE_DIR:-}" ]; then
    made_dir=$(mktemp -d /tmp/kelvor-pulse.XXXXXX)  # short: the socket path is limited
    export KELVOR_PULSE_DIR="$made_dir"
  fi
  unset KELVOR_PULSE_STARTED
  # A server in a directory this run made is this run's own, whatever the start printed.
  stop_pulse() {
    local status=$?
    if [ "${KELVOR_PULSE_STARTED:-0}" = 1 ] || [ -n "$made_dir" ]; then
      bash scripts/start-pulse.sh --stop
    fi
    if [ -n "$made_dir" ]; then
      if [ "$status" -eq 0 ]; then
        rm -rf "$made_dir"
      else
        echo "test: the sound server's log is in $made_dir/pulse.log" >&2
      fi
    fi
  }
  trap stop_pulse EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  eval "$(bash scripts/start-pulse.sh)"
fi

ctest --test-dir build --output-on-failure -j2
