#!/usr/bin/env bash
# Configures and builds Tav Tools in ./build (Ninja, ccache when present).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVTOOLS_TESTS=ON
fi
cmake --build build -j "$(nproc)"
