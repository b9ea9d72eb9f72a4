#!/usr/bin/env bash
# A check run by hand, not in CI: converts a 1 GiB texture with the
# command-line tool and prints the time it took and its peak memory, then
# checks that the same texture with too little memory is refused cleanly.
# Needs about 2 GiB of free disk and 6 GiB of memory.
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

if [[ -x /usr/bin/time ]]; then
    /usr/bin/time -f 'time: %e s  peak memory: %M KiB' "$converter" "$work/big.dds"
else
    python3 - "$converter" "$work/big.dds" <<'PYTHON'
import resource, subprocess, sys, time
start = time.monotonic()
subprocess.run(sys.argv[1:], check=True)
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"time: {time.monotonic() - start:.2f} s  peak memory: {peak} KiB")
PYTHON
fi
echo "level file: $(stat -c %s "$work/big.lvl") bytes"

# Memory running short must end in a message, with the level file just made
# left as it was.
before=$(cksum < "$work/big.lvl")
echo "again with 2 GiB of address space:"
if (ulimit -v $((2 << 20)) && "$converter" "$work/big.dds"); then
    echo "converted although memory ran short" >&2
    exit 1
fi
[[ $(cksum < "$work/big.lvl") == "$before" ]] || { echo "the earlier level file changed" >&2; exit 1; }
echo "refused, earlier level file untouched"
