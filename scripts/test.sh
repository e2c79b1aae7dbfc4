#!/bin/sh
# Installs what is missing, builds, and runs every test through ctest.
set -eu
cd "$(dirname "$0")/.."
scripts/packages.sh --for-tests
scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
