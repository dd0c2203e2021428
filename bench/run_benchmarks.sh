#!/usr/bin/env bash
# Prints the figures we track: the time of one motion tick, and the peak memory of the headless
# program running the demo scene.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
build=build/release

echo "== One motion tick (difference image and measure, 320 x 240, motion in the rectangle)"
"$build/bench/vq_bench_motion_tick" --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
    2>/dev/null | grep -E "median|mean"

echo "== From the tick that sees motion to the snapshot on disk and the first command line"
"$build/bench/vq_bench_alarm_latency" 2>/dev/null

seconds="${VQ_BENCH_SECONDS:-20}"
echo "== Peak resident memory of the headless program on the demo scene (${seconds} s)"
folder=$(mktemp -d)
"$build/src/videoquelm" --headless --demo --arm --app-folder "$folder" </dev/null >/dev/null 2>&1 &
pid=$!
sleep "$seconds"
peak_kib=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
kill -TERM "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
rm -rf "$folder"
echo "peak resident memory: $((peak_kib / 1024)) MiB (${peak_kib} KiB)"

bench/replay_throughput.sh
bench/headless_run.sh
bench/desktop_start.sh
bench/vs_motion.sh
bench/xmpp_figures.sh
bench/xmpp_delivery.sh
bench/call_figures.sh
