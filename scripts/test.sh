#!/usr/bin/env bash
# Installs, builds and runs every test: the normal build in ./build, then the
# sanitizer pass (scripts/test-sanitizers.sh: the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer in ./build-asan).
# PELMO_SANITIZERS=0 skips the second pass.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
./scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"
echo "test.sh: normal build and tests took $((SECONDS - start)) s"
if [ "${PELMO_SANITIZERS:-1}" != 0 ]; then
  start=$SECONDS
  ./scripts/test-sanitizers.sh
  echo "test.sh: sanitizer build and tests took $((SECONDS - start)) s"
fi
