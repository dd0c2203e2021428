#!/usr/bin/env bash
# Prints how fast recorded footage goes through the detection engine: a 60-second 320 x 240 clip
# at 20 frames a second (the demo room, someone walking through it now and then), replayed with
# the program's first-run settings, once with the decoding and once from frames decoded first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
build=build/release

mkdir -p build/bench
clip=build/bench/demo_room_60s.avi
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir -m 700 "$folder/runtime"
export XDG_RUNTIME_DIR="$folder/runtime"  # Qt asks for one even without a display

"$build/bench/vq_make_demo_clip" "$clip" 60
echo "== Replay of $clip (60 s, 320 x 240, 20 frames/s)"
"$build/tools/vq_replay/vq-replay" "$clip" --app-folder "$folder" |
    grep -E '^(frames processed|triggers|throughput)'
