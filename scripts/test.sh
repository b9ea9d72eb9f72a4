#!/usr/bin/env bash
# Sets up, builds and runs every test (the About window's under Xvfb and
# openbox among them), builds and checks the Debian package; then the same
# suite under AddressSanitizer and UndefinedBehaviorSanitizer, bounded fuzz
# runs, and the Windows check (a MinGW-w64 build tested under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh -DTORVANE_WERROR=ON
ctest --test-dir build --output-on-failure -j "$(nproc)"
scripts/check-package.sh build

# Built with clang, so that both compilers see every line, warnings as errors.
TORVANE_BUILD_DIR=build-sanitize CXX=clang++ scripts/setup.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVANE_SANITIZE=ON -DTORVANE_WERROR=ON
ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"

scripts/fuzz.sh 30

scripts/windows-check.sh
