#!/usr/bin/env bash
# Builds, then saves pictures of the windows (start-up, main window on the demo, settings, About,
# manual, the simulated owner's window in a call, the camera's two dialogs) in build/screenshots,
# on a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
exec xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb \
    build/release/tools/screenshots/vq_screenshots build/screenshots build/release/src
