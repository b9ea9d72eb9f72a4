#!/usr/bin/env bash
# A check run by hand, not in CI: converts a 1 GiB texture with the
# command-line tool and prints the time it took and its peak memory; then two
# of them with --jobs 2, and again with an address space that holds only one
# conversion at a time, where the jobs' memory budget must make them take
# turns; then checks that the texture with too little memory is refused
# cleanly. Needs about 4 GiB of free disk and 8 GiB of memory.
#   scripts/big-texture-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

converter=${1:-build}/cli/torvane-convert
[[ -x $converter ]] || { echo "no $converter: run scripts/setup.sh first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 16384 x 32768 pixels of two bytes, one level: exactly 1 GiB of pixel data
# after the 128-byte header.
python3 - "$work/big.dds" <<'PYTHON'
import struct, sys
header = bytearray(128)
header[0:4] = b"DDS "
struct.pack_into("<IIII", header, 4, 124, 0, 32768, 16384)
header[28] = 1
struct.pack_into("<I", header, 76, 32)
row = bytes(range(256)) * 256
with open(sys.argv[1], "wb") as texture:
    texture.write(header)
    for _ in range(1 << 14):
        texture.write(row)
PYTHON
echo "source: $(stat -c %s "$work/big.dds") bytes"

# The time and peak memory of one run of the converter with these arguments.
measure() {
    python3 - "$converter" "$@" <<'PYTHON'
import resource, subprocess, sys, time
start = time.monotonic()
subprocess.run(sys.argv[1:], check=True)
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"time: {time.monotonic() - start:.2f} s  peak memory: {peak} KiB ({peak / (1 << 20):.2f} GiB)")
PYTHON
}
measure "$work/big.dds"
echo "level file: $(stat -c %s "$work/big.lvl") bytes"

cp "$work/big.dds" "$work/big2.dds"
echo "two of them, --jobs 2:"
measure --jobs 2 "$work/big.dds" "$work/big2.dds"
# 5 GiB of address space leave room for one conversion of about 3 GiB only.
echo "two of them, --jobs 2, with 5 GiB of address space:"
(ulimit -v $((5 << 20)) && measure --jobs 2 "$work/big.dds" "$work/big2.dds")

# Memory running short must end in a message, with the level file just made
# left as it was.
before=$(cksum < "$work/big.lvl")
echo "again with 2 GiB of address space:"
if message=$( (ulimit -v $((2 << 20)) && "$converter" "$work/big.dds") 2>&1 >/dev/null); then
    echo "converted although memory ran short" >&2
    exit 1
fi
[[ $message == "$work/big.dds: Not enough memory to convert $work/big.dds" ]] || { echo "said: $message" >&2; exit 1; }
[[ $(cksum < "$work/big.lvl") == "$before" ]] || { echo "the earlier level file changed" >&2; exit 1; }
[[ -z $(find "$work" -name '.torvane-*') ]] || { echo "a temporary file was left" >&2; exit 1; }
echo "refused with \"$message\", earlier level file untouched"
