#!/usr/bin/env bash
# Converts the same textures with two builds of torvane-convert and checks
# that they agree byte for byte: level files, what each prints and its exit
# status. The textures are the fuzz seed corpus and DDS files made by
# ImageMagick in several formats, sizes and mipmap counts. Run it by hand
# after changing the conversion core, against a build of main:
#   scripts/compare-builds.sh REFERENCE_CONVERTER [CONVERTER]
# CONVERTER defaults to build/cli/torvane-convert.
set -euo pipefail
cd "$(dirname "$0")/.."

reference=$(realpath "$1")
candidate=$(realpath "${2:-build/cli/torvane-convert}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/textures"
cp tests/fuzz/corpus/import_texture/* "$work/textures/"
magick=$(command -v magick || command -v convert)
for size in 1x1 3x5 64x64 256x128 1000x600; do
    for compression in dxt1 dxt3 dxt5 none; do
        for mipmaps in 0 1 4; do
            "$magick" -size "$size" plasma:fractal -seed 7 -define dds:compression="$compression" \
                -define dds:mipmaps="$mipmaps" "$work/textures/im-$size-$compression-$mipmaps.dds"
        done
    done
done
# Large enough for the big-buffer path and many encoding pieces, with the
# level data ending before, at and after the end of the file.
for compression in dxt1 none; do
    "$magick" -size 2048x1536 gradient:red-blue -attenuate 0.3 +noise Uniform \
        -define dds:compression="$compression" "$work/textures/im-large-$compression.dds"
done
head -c 5000000 "$work/textures/im-large-none.dds" > "$work/textures/im-large-cut.dds"
cat "$work/textures/im-large-dxt1.dds" "$work/textures/im-large-dxt1.dds" > "$work/textures/im-large-twice.dds"

for build in reference candidate; do
    mkdir -p "$work/$build"
    for texture in "$work"/textures/*; do
        name=$(basename "$texture")
        status=0
        # A name of its own per texture: one file per output, none replacing another.
        (cd "$work/$build" && "${!build}" --output-dir "$name.out" "$texture" \
            > "$name.stdout" 2> "$name.stderr") || status=$?
        echo "$status" > "$work/$build/$name.status"
    done
done

if diff -r "$work/reference" "$work/candidate"; then
    echo "$(ls "$work/textures" | wc -l) textures: identical output, messages and exit status"
else
    echo "the builds differ" >&2
    exit 1
fi
