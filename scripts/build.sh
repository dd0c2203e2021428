#!/usr/bin/env bash
# Configures and builds one preset (default: release).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
scripts/install-deps.sh
# The build tree sits at the same place below every clone, so ccache serves one clone's objects
# to another (CI builds a fresh clone).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
# VQ_WERROR=ON (as CI sets it) makes every warning an error.
cmake --preset "$preset" -DVQ_WERROR="${VQ_WERROR:-OFF}" >/dev/null
cmake --build --preset "$preset"
