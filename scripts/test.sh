#!/usr/bin/env bash
# Installs what is missing, checks the layering, builds, and runs the whole test suite: unit and
# integration tests with AddressSanitizer and UBSan, the unit tests again with ThreadSanitizer, and
# a short bounded run of the fuzz targets. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/setup.sh

echo "== build hygiene: layering"
scripts/check-layering.py

echo "== unit and integration tests (ASan, UBSan)"
scripts/build.sh dev
ctest --preset dev -j "$jobs"

echo "== unit tests (ThreadSanitizer)"
scripts/build.sh tsan unit_all
ctest --preset tsan -L unit -LE qt -j "$jobs"

echo "== fuzz targets (libFuzzer, bounded)"
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DBRIVAK_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$jobs" --target fuzz_all
ctest --test-dir build/fuzz -L fuzz --output-on-failure
