#!/usr/bin/env bash
# Prints a call's figures on loopback against the call tests' phone: the phone's offer to its
# first picture of the room, glass-to-glass delay, and the media's CPU at 320 x 240 and
# 640 x 480. VQ_BENCH_SECONDS sets each CPU window (default 15).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
echo "== A call's media on loopback"
build/release/bench/vq_bench_call 2>/dev/null
