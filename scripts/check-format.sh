#!/bin/sh
# Fails when a C++ file of the tree differs from what .clang-format makes of it.
set -eu
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null 2>&1; then
    if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends clang-format
fi
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
