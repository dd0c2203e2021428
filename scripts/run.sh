#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program on its demo camera.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
mkdir -p build/demo
exec build/release/src/videoquelm --app-folder build/demo "$@"
