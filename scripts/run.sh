#!/usr/bin/env bash
# Builds Raumfuchs and starts it; arguments are passed on (e.g. --scan PATH).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh default raumfuchs raumfuchs-scan >/dev/null
if [ -x build/bin/raumfuchs ]; then
  exec build/bin/raumfuchs "$@"
fi
exec build/bin/raumfuchs-scan "${@:-$HOME}"
