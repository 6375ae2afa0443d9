#!/usr/bin/env bash
# Builds Kelvor and remakes the README's pictures of its two windows with the program's
# own --screenshot, on Qt's offscreen platform (no display needed):
#   docs/main-window.png   the main window with the demo sound open
#   docs/mixer-window.png  the tone mixer after fftmix on the demo sound
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# A build directory made earlier keeps its generator; a new one uses Ninja.
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build >/dev/null
else
  cmake -S . -B build -G Ninja >/dev/null
fi
cmake --build build --target kelvor
export QT_QPA_PLATFORM=offscreen
build/kelvor data/demo.wav --screenshot docs/main-window.png
build/kelvor data/demo.wav --mixer --screenshot docs/mixer-window.png
echo "screenshots: docs/main-window.png docs/mixer-window.png"
