#!/usr/bin/env bash
# Builds the picture libraries (libpng, libjpeg-turbo, libsquish) for 64-bit
# Windows with MinGW-w64, as static libraries, from Debian's own source
# packages of the versions the host has installed, with Debian's patches
# applied. zlib is Debian's own Windows build, libz-mingw-w64-dev. The sources
# come through a private apt configuration, so the system's own sources stay
# as they are. A few minutes on two cores.
#
#   scripts/build-windows-libraries.sh [CACHE_DIR]
#
# The prefix lands in CACHE_DIR/picture-libraries-mingw-w64-x86_64 (by default
# under ${XDG_CACHE_HOME:-~/.cache}/torvane), and its path is the last line
# printed. It is built in a temporary folder beside it and renamed into place
# only when whole; a prefix already there is kept: delete it to rebuild.
# Its debian-sources file names the source packages it was built from.
set -euo pipefail
toolchain=$(cd "$(dirname "$0")/../cmake" && pwd)/mingw-w64-x86_64.cmake
cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/torvane}
prefix=$cache/picture-libraries-mingw-w64-x86_64
if [[ -f $prefix/debian-sources ]]; then
    echo "$prefix"
    exit 0
fi
mkdir -p "$cache"
work=$(mktemp -d "$cache/picture-libraries-build.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# nasm for libjpeg-turbo's SIMD code; the -dev packages name the versions.
as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    libpng-dev libjpeg62-turbo-dev libsquish-dev libz-mingw-w64-dev \
    g++-mingw-w64-x86-64-posix mingw-w64 cmake make nasm dpkg-dev > /dev/null

# Source entries for the system's Debian sources, in a configuration of our own.
source "$(dirname "$toolchain")/../scripts/debian-source-apt.sh"
debian_source_apt "$work/apt"

# Runs a command with its output in LOG, which is shown when it fails.
quietly() {  # quietly LOG COMMAND...
    local log=$1
    shift
    "$@" >> "$log" 2>&1 || { tail -n 40 "$log" >&2; echo "build-windows-libraries: failed: $*" >&2; exit 1; }
}

# Unpacks, patched, the source of the host's PACKAGE into src/NAME and records
# it. When the archive does not serve that exact version (a security archive
# can carry a version's index entry before its files), the newest older
# revision of the same upstream version that it does serve is taken, loudly:
# the Windows build then lacks that revision's changes.
fetch() {  # fetch PACKAGE NAME
    local source version upstream candidates candidate
    source=$(dpkg-query -W -f='${source:Package}' "$1")
    version=$(dpkg-query -W -f='${source:Version}' "$1")
    upstream=${version#*:}
    upstream=${upstream%-*}
    candidates=("$version")
    for candidate in $(apt-cache "${apt_options[@]}" showsrc "$source" | sed -n 's/^Version: //p' | sort -u -r -V); do
        if dpkg --compare-versions "$candidate" lt "$version" && [[ ${candidate#*:} == "$upstream"-* ]]; then
            candidates+=("$candidate")
        fi
    done
    mkdir "$2"
    for candidate in "${candidates[@]}"; do
        if (cd "$2" && apt-get "${apt_options[@]}" source "$source=$candidate" >> "../$2.log" 2>&1); then
            mkdir -p src
            mv "$2"/*/ "src/$2"
            install -D -m 644 "src/$2/debian/copyright" "prefix/share/doc/$source/copyright"
            echo "$source $candidate" >> debian-sources
            if [[ $candidate != "$version" ]]; then
                echo "  (not $version, the host's: the archive did not serve its source)" >> debian-sources
                echo "build-windows-libraries: the archive does not serve $source $version, the host's;" \
                     "building $candidate instead" >&2
            fi
            return
        fi
    done
    tail -n 20 "$2.log" >&2
    echo "build-windows-libraries: no source of $source $version to be had" >&2
    exit 1
}
fetch libpng-dev png
fetch libjpeg62-turbo-dev jpeg
fetch libsquish-dev squish
echo "libz-mingw-w64-dev $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev) (Debian's build, installed)" >> debian-sources

# -O2 as Debian builds them; static; the libraries only, no programs or tests.
configure=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$work/prefix"
           -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG"
           -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG")
jobs=$(nproc)

# libpng: plain C filters, as Debian's amd64 build has (no SSE code); neither
# libpng-config nor pkg-config files (nor manual pages), which would name the
# temporary folder.
echo "build-windows-libraries: libpng" >&2
quietly png.log cmake -S src/png -B build/png "${configure[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF \
    -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_FILES=ON
quietly png.log cmake --build build/png -j "$jobs"
quietly png.log cmake --install build/png

# libjpeg-turbo: the libjpeg 6.2 interface Debian's libjpeg62-turbo has, with
# its SIMD code (NASM, required so that it is never left out unnoticed), and
# only the library: its build has no switch for the programs, so only the
# library is built and it and its headers are installed by hand.
echo "build-windows-libraries: libjpeg-turbo" >&2
quietly jpeg.log cmake -S src/jpeg -B build/jpeg "${configure[@]}" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
quietly jpeg.log cmake --build build/jpeg -j "$jobs" --target jpeg-static
install -D -m 644 build/jpeg/libjpeg.a "$work/prefix/lib/libjpeg.a"
install -D -m 644 -t "$work/prefix/include" build/jpeg/jconfig.h src/jpeg/jpeglib.h src/jpeg/jmorecfg.h src/jpeg/jerror.h

# libsquish: no SSE code, as Debian's build (its results can differ), and
# no OpenMP, which only its whole-image call uses and Torvane does not call.
echo "build-windows-libraries: libsquish" >&2
quietly squish.log cmake -S src/squish -B build/squish "${configure[@]}" -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_SQUISH_WITH_SSE2=OFF -DBUILD_SQUISH_WITH_OPENMP=OFF -DBUILD_SQUISH_EXTRA=OFF
quietly squish.log cmake --build build/squish -j "$jobs"
quietly squish.log cmake --install build/squish

# Renamed only when whole, so that an interrupted build is never taken for one;
# debian-sources, which marks a whole prefix, goes in last.
mv debian-sources "$work/prefix/debian-sources"
mv -T "$work/prefix" "$prefix" 2> /dev/null || [[ -f $prefix/debian-sources ]] ||
    { echo "build-windows-libraries: could not move the prefix to $prefix" >&2; exit 1; }
echo "$prefix"
