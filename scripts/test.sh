#!/usr/bin/env bash
# Installs what is missing, builds and runs every test (offscreen, no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
cd build
# The tests' folder indexes go to a cache of their own, never the user's.
XDG_CACHE_HOME="$(mktemp -d)"
export XDG_CACHE_HOME
trap 'rm -rf "$XDG_CACHE_HOME"' EXIT
ctest --output-on-failure -j "$(nproc)"
