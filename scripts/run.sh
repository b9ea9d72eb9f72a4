#!/usr/bin/env bash
# Sets up, builds the two programs (not the tests) and opens the window (it
# needs a display: without one, run this script under xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."
TORVANE_BUILD_TARGETS="torvane torvane-convert" scripts/setup.sh
exec build/ui/torvane "$@"
