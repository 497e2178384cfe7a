#!/usr/bin/env bash
# Installs the Debian 12 packages Vemra builds, tests and runs with. Safe to run again: it installs only
# what is missing. Needs root (or sudo).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libgl-dev libxkbcommon-dev
  libfftw3-dev libsndfile1-dev portaudio19-dev libjack-jackd2-dev libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  jackd2 fonts-dejavu-core
  clang libclang-rt-14-dev
  xvfb xauth
  poppler-utils xclip
  openbox xdotool x11-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable real-time limits; our tests run the dummy driver and need none.
echo "jackd2 jackd/tweak-rt-limits boolean false" | $SUDO debconf-set-selections
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
