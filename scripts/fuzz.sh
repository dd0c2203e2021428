#!/usr/bin/env bash
# Runs one fuzz target under libFuzzer for a while: scripts/fuzz.sh settings 300 [libFuzzer flags]
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:?which target (settings, notification)}"
seconds="${2:-60}"
scripts/install-deps.sh --fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "vq_fuzz_${target}"
work="build/fuzz/corpus-${target}"
mkdir -p "$work"
cp -n fuzz/corpus/"${target}"/* "$work"/ 2>/dev/null || true
export QT_QPA_PLATFORM=offscreen
exec "build/fuzz/fuzz/vq_fuzz_${target}" "$work" -max_total_time="$seconds" -print_final_stats=1 "${@:3}"
