#!/bin/sh
# Sets everything up and starts Velmora: Debian packages, build, installer, program.
set -eu
cd "$(dirname "$0")/.."
scripts/packages.sh
scripts/build.sh
build/bin/velmora-install
exec build/bin/velmora
