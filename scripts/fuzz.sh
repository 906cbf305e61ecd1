#!/usr/bin/env bash
# Builds the ncdu reader's libFuzzer target with clang (AddressSanitizer and
# UBSan on) in build-fuzz/ (the fuzz preset) and runs it for SECONDS (default
# 60) from the seed corpus in tests/fuzz/corpus. New inputs go to a temporary
# folder; a finding is written to build-fuzz/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/build.sh fuzz
found=$(mktemp -d)
trap 'rm -rf "$found"' EXIT
build-fuzz/bin/fuzz_ncdu_import -max_total_time="$seconds" -max_len=65536 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-fuzz/ "$found" tests/fuzz/corpus
