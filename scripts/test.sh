#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers, and runs the whole test suite (unit and
# integration). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh dev
ctest --preset dev -j "$(nproc)"
