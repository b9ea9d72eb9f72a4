#!/usr/bin/env bash
# Sets up, builds and opens the window (it needs a display: without one, run
# this script under xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/ui/torvane "$@"
