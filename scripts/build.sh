#!/usr/bin/env bash
# Installs the dependencies (when missing) and builds Pelmo into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
# A compiler cache, when the machine has one, makes builds of other clones
# and of unchanged files quick; a fresh machine builds without it.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build
