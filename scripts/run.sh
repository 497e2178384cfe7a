#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vemra on the bundled example response.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
exec ./build/src/app/vemra "$@" examples/example-room.wav
