#!/usr/bin/env bash
# Builds Kelvor with every test under AddressSanitizer and UBSan (KELVOR_SANITIZE) in
# build-asan and runs them all through ctest. A memory error, undefined behaviour or a leak
# (other than the two system-library leaks of cmake/lsan-suppressions.txt) fails the test
# it happens in.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ -f build-asan/CMakeCache.txt ]; then
  cmake -S . -B build-asan >/dev/null
else
  cmake -S . -B build-asan -G Ninja -DKELVOR_SANITIZE=ON >/dev/null
fi
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j2
