#!/usr/bin/env bash
# Prints how soon an alarm reaches the owner's phone over XMPP on loopback: snapshot to picture,
# call line and ring; and, in VQ_BENCH_RUNS runs (default 20) with VQ_BENCH_LOAD busy threads
# (default 2), the alarm's line and picture after the server was killed during the alarm and
# restarted. VQ_BENCH_PROGRAM measures another build of the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh release >/dev/null
echo "== Alarms on the phone over XMPP"
build/release/bench/vq_bench_xmpp_delivery 2>/dev/null
