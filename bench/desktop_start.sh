#!/usr/bin/env bash
# Prints how fast the desktop program comes up and what it costs while it runs, on a virtual X
# display: the time from start to the start-up window shown, from "Start Video Quelm" to the
# first camera frame in the main window, and the program's share of one core while the main
# window runs the demo scene (20 frames a second).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
seconds="${VQ_BENCH_SECONDS:-20}"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

xvfb-run -a -s "-screen 0 1280x1024x24" bash -s "$folder" "$seconds" <<'INNER'
folder="$1"
seconds="$2"
marks="$folder/marks"
started=$(date +%s%3N)
VQ_BENCH_MARKS=1 QT_QPA_PLATFORM=xcb build/release/src/videoquelm --demo \
    --app-folder "$folder/app" >"$marks" 2>/dev/null &
pid=$!
for _ in $(seq 100); do
    grep -q first_frame "$marks" && break
    sleep 0.1
done
mark() { awk -v m="$1" '$2 == m {print $3}' "$marks"; }
if [ -z "$(mark first_frame)" ]; then
    echo "the main window never showed a camera frame"
    kill "$pid"
    exit 1
fi
echo "start to start-up window shown:           $(($(mark splash_shown) - started)) ms"
echo "\"Start Video Quelm\" to first camera frame: $(($(mark first_frame) - $(mark start_pressed))) ms"
sleep 3
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
sleep "$seconds"
after=$(ticks)
hz=$(getconf CLK_TCK)
echo "CPU share of one core, demo in the main window over ${seconds} s: $(awk -v t=$((after - before)) \
    -v hz="$hz" -v s="$seconds" 'BEGIN {printf "%.1f%%", 100 * t / hz / s}')"
kill "$pid"
wait "$pid" 2>/dev/null || true
INNER
