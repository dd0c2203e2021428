#!/usr/bin/env bash
# Prints what the headless program costs while it watches a camera: CPU seconds and peak resident
# memory over a minute of a 320 x 240 clip at 20 frames a second (the demo room, someone walking
# through now and then), detection armed, the simulated client attached.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
build=build/release
seconds="${VQ_BENCH_SECONDS:-60}"

mkdir -p build/bench
clip=build/bench/demo_room_60s.avi
[ -f "$clip" ] || "$build/bench/vq_make_demo_clip" "$clip" 60
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir -m 700 "$folder/runtime"
export XDG_RUNTIME_DIR="$folder/runtime"

"$build/src/videoquelm" --headless --camera "$clip" --skype sim --arm --app-folder "$folder" \
    </dev/null >/dev/null 2>&1 &
pid=$!
sleep "$seconds"
ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
peak_kib=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
kill -TERM "$pid"
wait "$pid" || true
hz=$(getconf CLK_TCK)
echo "== Headless program on $clip for ${seconds} s"
awk -v t="$ticks" -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "CPU: %.2f s used in %d s = %.2f%% of one core\n", t / hz, s, 100 * t / hz / s }'
echo "peak resident memory: $((peak_kib / 1024)) MiB (${peak_kib} KiB)"
