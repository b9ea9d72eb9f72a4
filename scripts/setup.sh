#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging
# need, only those that are missing, then configures and builds into build/
# (the build is incremental: a second run rebuilds nothing that is up to
# date). TORVANE_BUILD_TARGETS names the targets to build, by default all.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make libgtest-dev qt6-base-dev fonts-liberation xvfb xauth clang libclang-rt-14-dev
          libpng-dev libjpeg62-turbo-dev libsquish-dev
          openbox x11-utils xdotool dpkg-dev file desktop-file-utils appstream
          # the Windows check (scripts/windows-check.sh): cross compiler, GoogleTest's source, Wine, texture maker,
          # zlib for Windows (the other picture libraries: scripts/build-windows-libraries.sh)
          g++-mingw-w64-x86-64-posix mingw-w64 googletest wine64 imagemagick libz-mingw-w64-dev
          # ... and for the window under Wine: the icon reader, unzip
          icoutils unzip)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} > 0)); then
    echo "Installing ${missing[*]}"
    as_root=()
    [[ $(id -u) -eq 0 ]] || as_root=(sudo)
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=${TORVANE_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release "$@" > /dev/null
read -r -a targets <<< "${TORVANE_BUILD_TARGETS:-all}"
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"
