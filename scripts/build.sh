#!/usr/bin/env bash
# Configures and builds Vemra into build/ (or the folder given as $1, with extra CMake arguments after it).
# VEMRA_JOBS sets how many compilers run at once (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
fi
cmake --build "$dir" --parallel "${VEMRA_JOBS:-$(nproc)}"
