#!/bin/sh
# Builds with the address and undefined-behaviour sanitizers into ./build-asan and runs
# every test there.
set -eu
cd "$(dirname "$0")/.."
scripts/packages.sh --for-tests
cmake --preset dev-asan
cmake --build build-asan -j"$(nproc)"
ctest --preset dev-asan -j"$(nproc)"
