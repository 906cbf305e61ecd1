#!/usr/bin/env bash
# Builds Raumfuchs, runs every test and checks the staged installation and the
# .deb (scripts/check-package.sh). With CI=true it builds the test
# programs twice more: every test (core, scanner tool, app and widget tests, Qt
# offscreen) runs under AddressSanitizer with UndefinedBehaviorSanitizer in
# build-asan/, and the core, scanner tool and app tests run under
# ThreadSanitizer in build-tsan/, and the ncdu reader's fuzz target runs for a
# minute (scripts/fuzz.sh). Any report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
scripts/check-package.sh

if [ "${CI:-}" = "true" ]; then
  sanitized() {  # build folder, sanitizers, test programs
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRAUMFUCHS_SANITIZE="$2" >/dev/null
    cmake --build "$1" --target "${@:3}"
  }
  echo "== every test under AddressSanitizer + UndefinedBehaviorSanitizer"
  sanitized build-asan address,undefined core_tests cli_tests platform_tests app_tests ui_tests
  # Leaks inside fontconfig are its own caches (tests/lsan.supp).
  LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp print_suppressions=0" \
    ctest --test-dir build-asan --output-on-failure -j2
  echo "== core, scanner tool and app tests under ThreadSanitizer"
  # The Qt libraries are not instrumented: tests/tsan.supp names their threads
  # that produce false reports. A real report ends the test with an error.
  # Left out, because Qt's own worker threads hand memory to and from the main
  # thread behind locks the sanitizer cannot see (hundreds of reports, none in
  # our code): the widget tests (Qt's image thread pool) and the desktop
  # services test (the file dialog's file-system thread and D-Bus calls). And
  # the scanner's second-Ctrl+C test: the sanitizer defers signal handlers,
  # so the tool does not end within the test's window every time.
  # (ui_tests_NOT_BUILT is the name CTest gives the widget tests it has no
  # program for.)
  sanitized build-tsan thread core_tests cli_tests platform_tests app_tests
  TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -j2 -E 'ui_tests_NOT_BUILT|^LinuxDesktopServicesTest\.|^ScanTool\.ASecondCtrlCEndsAScanThatCannotReachACheckpoint$'
  echo "== the ncdu reader's fuzz target for 60 seconds"
  scripts/fuzz.sh 60
fi
