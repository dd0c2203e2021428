#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program on its demo camera with the simulated
# chat/call client: with windows when there is a display, else in the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
mkdir -p build/demo
exec build/release/src/videoquelm --demo --arm --app-folder build/demo "$@"
