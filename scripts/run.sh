#!/usr/bin/env bash
# Installs, builds and starts Pelmo on the example design (or on the design given).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
design="${1:-examples/TwoWay.bkt}"
if [ -f "$design" ]; then
  exec ./build/src/gui/pelmo "$design"
else
  exec ./build/src/gui/pelmo
fi
