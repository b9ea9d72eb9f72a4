#!/usr/bin/env bash
# The Windows check, on a Debian machine: cross-builds the conversion core,
# torvane-convert and their tests with MinGW-w64, runs the tests under Wine,
# then converts generated textures through Windows paths and compares every
# level file byte for byte with the one the Linux build writes. Everything
# goes into build-windows/, Wine's prefix included; a second run rebuilds only
# what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# The packages, and the Linux build whose level files are the reference.
scripts/setup.sh

out=$root/${TORVANE_WINDOWS_BUILD_DIR:-build-windows}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
wine=/usr/lib/wine/wine64
jobs=$(nproc)

# Wine headless and quiet, in a prefix of its own. Wine reads the command
# line in the locale's character set: UTF-8 keeps every name whole.
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$out"
# One server for every run below, up until the check ends. wineboot then
# makes the prefix (or finds it current) and starts Wine's own services with
# their output on /dev/null: started by a test, they would hold ctest's
# output pipe open for as long as they live.
/usr/lib/wine/wineserver -p 2> /dev/null || true  # fails when one is up already
trap '/usr/lib/wine/wineserver -k 2> /dev/null || true' EXIT
"$wine" wineboot --init > /dev/null 2>&1

# GoogleTest from Debian's source package, built with the cross compiler.
gtest=$out/googletest
if [[ ! -f $gtest/install/lib/cmake/GTest/GTestConfig.cmake ]]; then
    cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest/install" > /dev/null
    cmake --build "$gtest/build" -j "$jobs"
    cmake --install "$gtest/build" > /dev/null
fi

# The core, the command-line tool and their tests, without the window (there
# is no Qt for MinGW here). The MinGW runtime is linked in, so that Wine needs
# no DLL path, and every test runs under Wine.
build=$out/torvane
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DTORVANE_WINDOW=OFF \
    -DGTest_DIR="$gtest/install/lib/cmake/GTest" -DCMAKE_EXE_LINKER_FLAGS=-static \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" > /dev/null
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

# Windows paths, end to end. Drive T: is a scratch folder, so that a drive
# root can be written to; the Linux build converts the same textures first.
paths=$out/paths
rm -rf "$paths"
mkdir -p "$paths/textures" "$paths/drive"
ln -sfn "$paths/drive" "$WINEPREFIX/dosdevices/t:"
convert -seed 1 -size 256x128 plasma: -define dds:compression=dxt1 -define dds:mipmaps=5 "$paths/textures/grass.dds"
convert -seed 2 -size 64x64 plasma: -define dds:compression=dxt5 "$paths/textures/stone.dds"
convert -seed 3 -size 32x16 plasma: -define dds:compression=none "$paths/textures/moss.dds"
build/cli/torvane-convert --output-dir "$paths/reference" "$paths/textures" > /dev/null

# Places each texture under drive T:, as "TEXTURE:PATH" pairs.
place() {
    for pair in "$@"; do
        mkdir -p "$(dirname "$paths/drive/${pair#*:}")"
        cp "$paths/textures/${pair%%:*}.dds" "$paths/drive/${pair#*:}"
    done
}
place grass:mods/grass.dds stone:mods/pack.v2/stone.dds moss:moss.dds grass:final/grass.final.dds \
    grass:names/трава.dds stone:names/草地.dds moss:"names/Grün été.dds" moss:relative/leaf.dds \
    stone:given/草地.dds

failures=0
fail() {
    echo "windows-check: $*" >&2
    failures=$((failures + 1))
}
# Runs torvane-convert.exe in FOLDER of drive T: and compares what it prints.
run() {  # run FOLDER EXPECTED-OUTPUT ARGUMENT...
    local folder=$1 expected=$2 output
    shift 2
    output=$(cd "$paths/drive/$folder" && "$wine" "$build/cli/torvane-convert.exe" "$@" 2>&1 | tr -d '\r') ||
        fail "torvane-convert $* failed: $output"
    [[ $output == "$expected" ]] || fail "torvane-convert $* printed:"$'\n'"$output"$'\n'"instead of:"$'\n'"$expected"
}
# Compares a level file on drive T: with the Linux build's level file of TEXTURE.
same() {  # same PATH TEXTURE
    cmp -s "$paths/drive/$1" "$paths/reference/$2.lvl" || fail "T:\\${1//\//\\} is not the Linux build's $2.lvl"
}

run . "grass.lvl created." 'T:\mods\grass.dds'
same mods/grass.lvl grass
run . "stone.lvl created." 'T:/mods\pack.v2/stone.dds'
same mods/pack.v2/stone.lvl stone
run . "moss.lvl created." 'T:\moss.dds'  # written as T:\\moss.lvl
same moss.lvl moss
run final "grass.lvl created." 'grass.final.dds'
same final/grass.lvl grass
run . $'Grün été.lvl created.\nтрава.lvl created.\n草地.lvl created.\n草地.lvl created.' 'T:\names' 'given\草地.dds'
same given/草地.lvl stone
same "names/Grün été.lvl" moss
same names/трава.lvl grass
same names/草地.lvl stone
# "T:leaf.dds" is leaf.dds in drive T's current directory, and so is its level file.
run relative "leaf.lvl created." 'T:leaf.dds'
same relative/leaf.lvl moss

if ((failures > 0)); then
    echo "windows-check: $failures failure(s)" >&2
    exit 1
fi
echo "windows-check: the Windows build converts every path case byte for byte as the Linux build does"
