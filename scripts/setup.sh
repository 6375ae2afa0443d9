#!/usr/bin/env bash
# Installs, once, every Debian 12 package that building, running and testing Kelvor needs.
# Idempotent and non-interactive; safe on a fresh machine where `apt-get update` never ran.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  portaudio19-dev
  libgtest-dev libbenchmark-dev libfftw3-dev libsndfile1-dev
  fonts-ipafont-gothic
  xvfb xauth
  pulseaudio pulseaudio-utils libasound2-plugins
  lintian appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: run as root to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
echo "setup: installing ${missing[*]}" >&2
if ! $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
  $sudo apt-get update -q >/dev/null
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi
