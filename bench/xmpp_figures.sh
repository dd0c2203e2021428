#!/usr/bin/env bash
# Prints the XMPP account's figures on loopback (a prosody of its own, the test phone as the
# owner): "status" round trip, alarm to picture, reconnection after a server restart, and the idle
# program's CPU and memory with the XMPP account beside the simulated client.
# VQ_BENCH_SECONDS sets the idle window (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
echo "== The XMPP account on loopback"
build/release/bench/vq_bench_xmpp 2>/dev/null
