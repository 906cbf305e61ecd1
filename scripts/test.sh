#!/usr/bin/env bash
# Builds Raumfuchs and runs every test. With CI=true it builds every test
# program (core, scanner tool, app and widget tests, Qt offscreen) twice more
# and runs them all: under AddressSanitizer with UndefinedBehaviorSanitizer in
# build-asan/, and under ThreadSanitizer in build-tsan/. Any report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2

if [ "${CI:-}" = "true" ]; then
  tests=(core_tests cli_tests app_tests ui_tests)
  sanitized() {  # build folder, sanitizers
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRAUMFUCHS_SANITIZE="$2" >/dev/null
    cmake --build "$1" --target "${tests[@]}"
  }
  echo "== every test under AddressSanitizer + UndefinedBehaviorSanitizer"
  sanitized build-asan address,undefined
  # Leaks inside the system's Qt, fontconfig and D-Bus libraries are theirs.
  LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp print_suppressions=0" \
    ctest --test-dir build-asan --output-on-failure -j2
  echo "== every test under ThreadSanitizer"
  sanitized build-tsan thread
  # The Qt libraries are not instrumented: tests/tsan.supp says which of their
  # threads produce false reports. A real report ends the test with an error.
  TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -j2
fi
