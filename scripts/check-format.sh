#!/usr/bin/env bash
# Fails when a C++ source of the repository differs from what .clang-format
# makes of it (`clang-format -i FILE` mends one), or when src/ has an include
# loop between files or folders, or a folder of more than 20 files
# (scripts/check-includes.py names them).
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "clang-format: $(git ls-files '*.cpp' '*.h' | wc -l) files formatted"
scripts/check-includes.py
echo "check-includes: no include loops, no crowded folders"
