#!/usr/bin/env bash
# Sets up, builds and converts a small generated texture with the
# command-line converter.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
build/tests/make-sample-texture "$demo/sample.dds"
build/cli/torvane-convert "$demo/sample.dds"
ls -l "$demo"
