#!/usr/bin/env bash
# Configures and builds one of the builds named in CMakePresets.json, all of it
# or the targets named after it:
#   scripts/build.sh [default|asan|tsan|fuzz|package [TARGET...]]
# default is the normal build in build/; the others go to build-PRESET/. With
# CI=true every compiler warning is an error.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
werror=OFF
[ "${CI:-}" != "true" ] || werror=ON
cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR="$werror" >/dev/null
targets=("${@:2}")
cmake --build --preset "$preset" ${targets[@]:+--target "${targets[@]}"}
