#!/usr/bin/env bash
# Builds Raumfuchs, runs every test and checks the staged installation and the
# .deb (scripts/check-package.sh). With CI=true every compiler warning is an
# error, and the test programs are built twice more: every test (core, scanner
# tool, app and widget tests, Qt offscreen) runs under AddressSanitizer with
# UndefinedBehaviorSanitizer in build-asan/, and all but the widget tests under
# ThreadSanitizer in build-tsan/ (what is left out and why: the tsan test
# preset in CMakePresets.json), and the ncdu reader's fuzz target runs for a
# minute (scripts/fuzz.sh). Any report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
scripts/build.sh
ctest --preset default
scripts/check-package.sh

if [ "${CI:-}" = "true" ]; then
  echo "== every test under AddressSanitizer + UndefinedBehaviorSanitizer"
  scripts/build.sh asan
  ctest --preset asan
  echo "== all but the widget tests under ThreadSanitizer"
  scripts/build.sh tsan
  ctest --preset tsan
  echo "== the ncdu reader's fuzz target for 60 seconds"
  scripts/fuzz.sh 60
fi
