#!/usr/bin/env bash
# The Windows check, on a Debian machine: cross-builds the whole project (the
# window, both command-line tools and every test) with MinGW-w64 against a Qt
# for MinGW, runs the tests under Wine, converts generated textures through
# Windows paths and compares every level file byte for byte with the one the
# Linux build writes, drives the real windows on Windows' own platform in
# Wine's desktop on Xvfb, and runs the ZIP from a fresh Wine prefix.
# Everything goes into build-windows/, Wine's prefixes included; a second run
# rebuilds only what changed.
#
# Qt for MinGW comes from TORVANE_WINDOWS_QT (a prefix) when set, else from
# ../shared/windows-qt/qt6-mingw-w64-x86_64.tar.xz beside the clone (unpacked
# into build-windows/qt once), else scripts/build-windows-qt.sh builds it into
# the user's cache (about an hour on two cores). The picture libraries (libpng,
# libjpeg-turbo, libsquish, static) come from TORVANE_WINDOWS_PICTURE_LIBRARIES
# (a prefix) when set, else scripts/build-windows-libraries.sh builds them
# into the user's cache once (under a minute on two cores).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# The packages, and the Linux build whose level files are the reference.
scripts/setup.sh

out=$root/${TORVANE_WINDOWS_BUILD_DIR:-build-windows}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
jobs=$(nproc)
mkdir -p "$out"

qt_for_windows() {
    if [[ -n ${TORVANE_WINDOWS_QT:-} ]]; then
        echo "$TORVANE_WINDOWS_QT"
        return
    fi
    local shared=$root/../shared/windows-qt/qt6-mingw-w64-x86_64.tar.xz unpacked=$out/qt stamp
    if [[ -f $shared ]]; then
        stamp="$(stat -L -c '%s %Y' "$shared") $shared"
        if [[ ! -f $unpacked/unpacked-from || $(< "$unpacked/unpacked-from") != "$stamp" ]]; then
            rm -rf "$unpacked"
            mkdir -p "$unpacked"
            tar -xf "$shared" -C "$unpacked"
            echo "$stamp" > "$unpacked/unpacked-from"
        fi
        echo "$unpacked/qt6-mingw-w64-x86_64"
        return
    fi
    echo "windows-check: no Qt for MinGW given or shared; building one (about an hour)" >&2
    scripts/build-windows-qt.sh | tee /dev/stderr | tail -n 1
}
qt=$(qt_for_windows)
[[ -f $qt/lib/cmake/Qt6/Qt6Config.cmake ]] || { echo "windows-check: $qt holds no Qt 6" >&2; exit 1; }
echo "windows-check: Qt for MinGW from $qt"
picture_libraries=${TORVANE_WINDOWS_PICTURE_LIBRARIES:-$(scripts/build-windows-libraries.sh | tail -n 1)}
[[ -f $picture_libraries/include/png.h && -f $picture_libraries/include/jpeglib.h && -f $picture_libraries/include/squish.h ]] ||
    { echo "windows-check: $picture_libraries holds no picture libraries" >&2; exit 1; }
echo "windows-check: picture libraries for MinGW from $picture_libraries"

# Windows paths of Linux folders, through Wine's drive Z:.
winpath() { local path=${1//\//\\}; echo "Z:$path"; }
runtime_dirs=()
for dll in libstdc++-6.dll libwinpthread-1.dll; do
    runtime_dirs+=("$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")")
done

# Wine headless and quiet, in a prefix of its own, with Qt and the MinGW
# runtime on its DLL path. A program that crashes ends at once instead of
# waiting on Wine's debugger. Wine reads the command line in the locale's
# character set: UTF-8 keeps every name whole.
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" LC_ALL=C.UTF-8
WINEPATH="$(winpath "$qt/bin")"
for dir in "${runtime_dirs[@]}"; do WINEPATH+=";$(winpath "$dir")"; done
export WINEPATH
unset DISPLAY WAYLAND_DISPLAY
# Whatever the check started ends with it, also when it fails: the Wine
# servers of both prefixes (and with them every Wine process) and Xvfb.
zip_prefix=$out/zip/wineprefix
xvfb_pid=
cleanup() {
    "$wineserver" -k 2> /dev/null || true
    WINEPREFIX=$zip_prefix "$wineserver" -k 2> /dev/null || true
    [[ -z $xvfb_pid ]] || kill "$xvfb_pid" 2> /dev/null || true
}
trap cleanup EXIT
# One server for every run below, up until the check ends. wineboot then
# makes the prefix (or finds it current) and starts Wine's own services with
# their output on /dev/null: started by a test, they would hold ctest's
# output pipe open for as long as they live.
"$wineserver" -p 2> /dev/null || true  # fails when one is up already
"$wine" wineboot --init > /dev/null 2>&1
# Wine has no Courier New: fonts-liberation's metric twin stands in, by
# Wine's font replacements, and the native window tests run in a desktop of
# their own. The offscreen platform reads font files from the Fonts folder.
ln -sf /usr/share/fonts/truetype/liberation/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
cat > "$out/wine-settings.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Courier New"="Liberation Mono"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\native_window_tests.exe\Explorer]
"Desktop"="torvane"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"torvane"="1024x768"
REG
"$wine" regedit "$(winpath "$out/wine-settings.reg")"

# GoogleTest from Debian's source package, built with the cross compiler.
gtest=$out/googletest
if [[ ! -f $gtest/install/lib/cmake/GTest/GTestConfig.cmake ]]; then
    cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest/install" > /dev/null
    cmake --build "$gtest/build" -j "$jobs"
    cmake --install "$gtest/build" > /dev/null
fi

# Everything, warnings as errors. Qt and the picture libraries are found
# through the toolchain only when their prefixes are on the find root too,
# since look-ups are re-rooted there. zlib is Debian's libz-mingw-w64-dev,
# taken static like the others, so that no DLL of it is needed. The tests are
# listed when ctest runs, not while the compilers load the machine.
build=$out/torvane
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$qt;$picture_libraries" -DCMAKE_FIND_ROOT_PATH="$qt;$picture_libraries" \
    -DZLIB_USE_STATIC_LIBS=ON \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DGTest_DIR="$gtest/install/lib/cmake/GTest" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" > /dev/null
cmake --build "$build" -j "$jobs"
# Every test but the native window's, headless; the window's on the offscreen platform.
# Now and then Wine loses a starting program's connection to its server
# ("wine client error: ... Connection reset by peer") before the test's own
# code runs. Only then do the failed tests run once more: a test that fails
# by itself fails again.
if ! ctest --test-dir "$build" --output-on-failure -j "$jobs" -LE native; then
    grep -q 'wine client error' "$build/Testing/Temporary/LastTest.log" || exit 1
    echo "windows-check: Wine lost a test's connection to its server; the failed tests run again" >&2
    ctest --test-dir "$build" --output-on-failure --rerun-failed -LE native
fi

failures=0
# Polls rather than `xdotool search --sync`: Wine makes and destroys helper
# windows while the tree is walked, and one that goes mid-walk (BadWindow)
# ends the whole search.
window_shows() {  # window_shows CAPTION: within 60 s
    local deadline=$((SECONDS + 60))
    while ((SECONDS < deadline)); do
        DISPLAY=:$display xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1 && return 0
        sleep 0.5
    done
    return 1
}

fail() {
    echo "windows-check: $*" >&2
    failures=$((failures + 1))
}

# The window program: no console, and its icon resource holds both 32 x 32 images.
torvane_exe=$build/ui/torvane.exe
headers=$(x86_64-w64-mingw32-objdump -p "$torvane_exe")
grep -q '^Subsystem.*(Windows GUI)' <<< "$headers" ||
    fail "torvane.exe is not a window program"
icons=$(wrestool -x -t 14 "$torvane_exe" 2> /dev/null | icotool -l - 2> /dev/null)
for depth in 4 8; do
    grep -q -- "--width=32 --height=32 --bit-depth=$depth " <<< "$icons" ||
        fail "torvane.exe's icon has no 32 x 32 image of $depth bits:"$'\n'"$icons"
done

# Windows paths, end to end. Drive T: is a scratch folder, so that a drive
# root can be written to; the Linux build converts the same textures first.
paths=$out/paths
rm -rf "$paths"
mkdir -p "$paths/textures" "$paths/drive"
ln -sfn "$paths/drive" "$WINEPREFIX/dosdevices/t:"
convert -seed 1 -size 256x128 plasma: -define dds:compression=dxt1 -define dds:mipmaps=5 "$paths/textures/grass.dds"
convert -seed 2 -size 64x64 plasma: -define dds:compression=dxt5 "$paths/textures/stone.dds"
# moss is uncompressed: 16-bit R5G6B5, as the level file carries no 24- or
# 32-bit pixels, which ImageMagick writes; the Linux build makes it from a picture.
convert -seed 3 -size 32x32 plasma: "$paths/moss.png"
build/cli/torvane-convert --format r5g6b5 --keep-dds "$paths/textures" -o "$paths/made" "$paths/moss.png" > /dev/null
# A picture too, for the ZIP's check below: a band at its right edge less than
# half opaque, which DXT1 makes transparent.
mkdir -p "$paths/pictures"
convert -seed 4 -size 64x64 plasma: -alpha set -channel A -fx 'i < w - 8 ? 1 : 0.2' "$paths/pictures/bark.png"
build/cli/torvane-convert --output-dir "$paths/reference" "$paths/textures" "$paths/pictures" > /dev/null

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


# The real windows on Windows' own platform, in Wine's desktop on a private
# Xvfb: geometry, fonts, drives, "C:", a click's level file, About's styles,
# and the screenshots.
rm -f "$out/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$out/display" > /dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do [[ -s $out/display ]] && break; sleep 0.1; done
display=$(< "$out/display")
[[ -n $display ]] || { echo "windows-check: Xvfb did not start" >&2; exit 1; }
reference=$out/native/reference
rm -rf "$out/native"
mkdir -p "$reference" "$out/native/screenshots"
cp "$paths/textures/grass.dds" "$reference/grass.dds"
cp "$paths/reference/grass.lvl" "$reference/grass.lvl"
if ! native=$(DISPLAY=:$display TORVANE_REFERENCE=$(winpath "$reference") \
        TORVANE_SCREENSHOTS=$(winpath "$out/native/screenshots") "$wine" "$build/tests/ui/native_window_tests.exe" 2>&1); then
    fail "the native window tests failed:"$'\n'"$native"
fi
grep -a '^font:' <<< "$native" | tr -d '\r' | sed 's/^/windows-check: /' || true
"$wineserver" -k 2> /dev/null || true  # the desktop goes with the display

# The ZIP, unpacked alone into a fresh prefix: a texture and a PNG picture
# converted by torvane-convert.exe from there, and torvane.exe started until its window
# shows, then closed, leaving the folder it showed in the preference file
# beside it, in the ANSI code page (1252 here) and CR LF.
(cd "$build" && cpack -G ZIP > /dev/null)
zip_dir=$out/zip
rm -rf "$zip_dir"
mkdir -p "$zip_dir/textures/Grün"
unzip -q "$build"/torvane-*-win64.zip -d "$zip_dir"
program=$(echo "$zip_dir"/torvane-*-win64/bin)
cp "$paths/textures/grass.dds" "$zip_dir/textures/Grün/grass.dds"
cp "$paths/pictures/bark.png" "$zip_dir/textures/Grün/bark.png"
(
    failures=0
    export WINEPREFIX=$zip_prefix DISPLAY=:$display
    unset WINEPATH
    "$wineserver" -p 2> /dev/null || true
    "$wine" wineboot --init > /dev/null 2>&1
    folder="$(winpath "$zip_dir/textures/Grün")"
    output=$(cd "$program" && "$wine" torvane-convert.exe "$folder\\grass.dds" 2>&1 | tr -d '\r') ||
        fail "torvane-convert.exe from the ZIP failed: $output"
    cmp -s "$zip_dir/textures/Grün/grass.lvl" "$paths/reference/grass.lvl" ||
        fail "torvane-convert.exe from the ZIP did not write the Linux build's grass.lvl: $output"
    output=$(cd "$program" && "$wine" torvane-convert.exe "$folder\\bark.png" 2>&1 | tr -d '\r') ||
        fail "torvane-convert.exe from the ZIP failed on a PNG: $output"
    cmp -s "$zip_dir/textures/Grün/bark.lvl" "$paths/reference/bark.lvl" ||
        fail "torvane-convert.exe from the ZIP did not write the Linux build's bark.lvl: $output"
    # A second field is ignored when read, and gone once the close rewrites the file.
    printf '%s,second field\r\n' "$folder" | iconv -f UTF-8 -t CP1252 > "$program/torvanepref.ini"
    (cd "$program" && exec "$wine" torvane.exe > /dev/null 2>&1) &
    torvane_pid=$!
    if window_shows 'Torvane by Quorrin'; then
        "$wine" taskkill /im torvane.exe > /dev/null 2>&1 || true  # a close, as the user makes it
        timeout 30 tail --pid="$torvane_pid" -f /dev/null || fail "torvane.exe from the ZIP did not end when closed"
        printf '%s\r\n' "$folder" | iconv -f UTF-8 -t CP1252 | cmp -s - "$program/torvanepref.ini" ||
            fail "the preference file beside torvane.exe holds $(od -c "$program/torvanepref.ini" | head -3)"
    else
        fail "torvane.exe from the ZIP showed no window"
    fi
    "$wineserver" -k 2> /dev/null || true
    exit "$failures"
) || failures=$((failures + $?))

if ((failures > 0)); then
    echo "windows-check: $failures failure(s)" >&2
    exit 1
fi
echo "windows-check: the Windows build passes its tests under Wine, converts every path case byte for byte as the Linux build does, shows both windows as drawn and runs from its ZIP, pictures included"
