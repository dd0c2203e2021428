#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program on its demo camera and simulated client:
# with its windows when there is a display, else in the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
mkdir -p build/demo
exec build/release/src/videoquelm --demo --app-folder build/demo "$@"
