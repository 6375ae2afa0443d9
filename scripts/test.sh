#!/usr/bin/env bash
# Builds Kelvor with every test and runs them all through ctest.
#
# The tests that play and record through PortAudio get a private sound server from ctest
# itself (the sound_server fixture, scripts/start-pulse.sh), started before the first of
# them and stopped after the last; a plain `ctest --test-dir build` does the same.
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
ctest --test-dir build --output-on-failure -j2
