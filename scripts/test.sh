#!/usr/bin/env bash
# Builds Kelvor with every test and runs them all through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
# A sound server with a silent sink, for the tests that play through a real device.
if [ -f scripts/start-pulse.sh ]; then
  eval "$(bash scripts/start-pulse.sh)"
fi
ctest --test-dir build --output-on-failure -j2
