#!/bin/sh
# Builds with the address and undefined-behaviour sanitizers into ./build-asan and runs
# every test there. The test preset turns off leak detection, and the new-delete-type-
# mismatch check, which fires inside Debian's prebuilt Qt WebEngine (a sized delete in
# Chromium's page teardown), not in our code.
set -eu
cd "$(dirname "$0")/.."
scripts/packages.sh --for-tests
cmake --preset dev-asan
cmake --build build-asan -j"$(nproc)"
ctest --preset dev-asan -j"$(nproc)"
