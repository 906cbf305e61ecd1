#!/usr/bin/env bash
# Builds Raumfuchs and runs every test. With CI=true it also builds the core
# tests once more under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# background-read test under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2

if [ "${CI:-}" = "true" ]; then
  echo "== core tests under AddressSanitizer + UndefinedBehaviorSanitizer"
  BUILD_DIR=build-asan scripts/build.sh -DRAUMFUCHS_CORE_ONLY=ON -DRAUMFUCHS_SANITIZE=address,undefined
  ctest --test-dir build-asan --output-on-failure -j2
  echo "== concurrency tests under ThreadSanitizer"
  BUILD_DIR=build-tsan scripts/build.sh -DRAUMFUCHS_CORE_ONLY=ON -DRAUMFUCHS_SANITIZE=thread
  ctest --test-dir build-tsan --output-on-failure -j2 -R 'Concurrent|Parallel'
fi
