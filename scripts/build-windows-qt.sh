#!/usr/bin/env bash
# Builds Qt 6 (qtbase: Core, Gui, Widgets, Test, the windows, offscreen and
# minimal platform plugins, the styles) for 64-bit Windows with MinGW-w64,
# from Debian's own source package of the host's qt6-base-dev, whose moc, rcc
# and uic it uses. The source comes through a private apt configuration, so
# the system's own sources stay as they are. About an hour on two cores.
#
#   scripts/build-windows-qt.sh [CACHE_DIR]
#
# The prefix lands in CACHE_DIR/qt6-mingw-w64-x86_64 (by default under
# ${XDG_CACHE_HOME:-~/.cache}/torvane), outside any build tree, and its path is
# the last line printed. A prefix already there is kept: delete it to rebuild.
set -euo pipefail
toolchain=$(cd "$(dirname "$0")/../cmake" && pwd)/mingw-w64-x86_64.cmake
cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/torvane}
prefix=$cache/qt6-mingw-w64-x86_64
if [[ -f $prefix/lib/cmake/Qt6/Qt6Config.cmake ]]; then
    echo "$prefix"
    exit 0
fi
work=$cache/qt6-build
mkdir -p "$work"
cd "$work"

as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    qt6-base-dev g++-mingw-w64-x86-64-posix mingw-w64 ninja-build cmake xz-utils dpkg-dev > /dev/null

# Source entries for the system's Debian sources, in a configuration of our own.
source "$(dirname "$toolchain")/../scripts/debian-source-apt.sh"
debian_source_apt "$work/apt"
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
if [[ ! -d qtbase-src ]]; then
    apt-get "${apt_options[@]}" source --download-only "qt6-base=$version" > /dev/null
    mkdir qtbase-src.partial
    tar -xf qt6-base_*.orig.tar.xz -C qtbase-src.partial --strip-components=1
    # 6.4's Windows platform plugin reaches for dynamic OpenGL even when OpenGL is off.
    sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
        qtbase-src.partial/src/plugins/platforms/windows/qwindowswindow.cpp
    mv qtbase-src.partial qtbase-src
fi

cmake -S qtbase-src -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix.partial" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_testlib=ON > configure.log
cmake --build build -j "$(nproc)"
cmake --install build > /dev/null
# Renamed only when whole, so that an interrupted build is never taken for one.
mv "$prefix.partial" "$prefix"
rm -rf "$work"
echo "$prefix"
