#!/usr/bin/env bash
# Configures and builds one preset (dev, release or tsan; default release). Further arguments name
# the targets to build (default: everything).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
shift || true
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}"
