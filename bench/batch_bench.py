#!/usr/bin/env python3
"""Times torvane-convert on batches and while watching. Prints figures; it is
not a test.

    bench/batch_bench.py [--tool build/cli/torvane-convert] [--rounds 3]
                         [--watch-seconds 30] [--skip-watch]

Batch: 200 textures of 512 x 512, uncompressed, with every mipmap level
(0.7 MB each), converted with --jobs 1 and --jobs 2, then again with --update
on the unchanged folder. Watch: 1,000 such textures under --watch, the CPU
time the idle watcher takes, and how long after a texture's last write its
level file is replaced.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SIDE = 512


def mip_chain_bytes(side):
    """Two bytes per pixel down to 1 x 1; a level below 8 bytes is stored as 4."""
    total, levels = 0, 0
    while True:
        total += max(side * side * 2, 4)
        levels += 1
        if side == 1:
            return total, levels
        side //= 2


def texture_bytes(seed):
    data_length, levels = mip_chain_bytes(SIDE)
    header = bytearray(128)
    header[0:4] = b"DDS "
    struct.pack_into("<IIII", header, 4, 124, 0x1007 | 0x20000, SIDE, SIDE)
    struct.pack_into("<I", header, 28, levels)
    struct.pack_into("<I", header, 76, 32)
    data = bytearray(os.urandom(64)) * (data_length // 64) + bytearray(data_length % 64)
    data[0:8] = struct.pack("<Q", seed)
    return bytes(header) + bytes(data)


def make_folder(folder, count):
    os.makedirs(folder)
    for index in range(count):
        with open(os.path.join(folder, f"t{index:04d}.dds"), "wb") as out:
            out.write(texture_bytes(index))


def best_seconds(rounds, command, before=None):
    best = float("inf")
    for _ in range(rounds):
        if before:
            before()
        start = time.perf_counter()
        subprocess.run(command, check=True)
        best = min(best, time.perf_counter() - start)
    return best


def batch(tool, scratch, rounds):
    textures = os.path.join(scratch, "batch")
    output = os.path.join(scratch, "batch-out")
    make_folder(textures, 200)

    def fresh_output():
        shutil.rmtree(output, ignore_errors=True)

    serial = best_seconds(rounds, [tool, "-q", "-j1", "-o", output, textures], fresh_output)
    parallel = best_seconds(rounds, [tool, "-q", "-j2", "-o", output, textures], fresh_output)
    subprocess.run([tool, "-q", "-o", output, textures], check=True)
    update = best_seconds(rounds, [tool, "-q", "-u", "-o", output, textures])

    print(f"200 textures of {SIDE} x {SIDE} uncompressed with all levels, best of {rounds} rounds")
    print(f"  --jobs 1            {serial:7.3f} s")
    print(f"  --jobs 2            {parallel:7.3f} s   speed-up {serial / parallel:5.2f} (target >= 1.6)")
    print(f"  --update unchanged  {update:7.3f} s   {serial / update:7.1f} x faster than --jobs 1, "
          f"{parallel / update:7.1f} x than --jobs 2 (target >= 20)")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def watch(tool, scratch, idle_seconds):
    textures = os.path.join(scratch, "watch")
    make_folder(textures, 1000)
    level_file = os.path.join(textures, "t0500.lvl")
    watcher = subprocess.Popen([tool, "--watch", textures], stdout=subprocess.PIPE, text=True)
    try:
        for _ in range(1000):  # the first pass: one line a texture
            watcher.stdout.readline()
        time.sleep(2)  # let the first look after the pass settle

        cpu_before, start = cpu_seconds(watcher.pid), time.perf_counter()
        time.sleep(idle_seconds)
        idle = (cpu_seconds(watcher.pid) - cpu_before) / (time.perf_counter() - start)

        delays = []
        for seed in range(5):
            before = os.stat(level_file).st_mtime_ns
            with open(os.path.join(textures, "t0500.dds"), "wb") as out:
                out.write(texture_bytes(10_000 + seed))
            written = time.perf_counter()
            while os.stat(level_file).st_mtime_ns == before:
                time.sleep(0.005)
            delays.append(time.perf_counter() - written)
            time.sleep(1)
    finally:
        watcher.send_signal(2)
        watcher.wait()

    print(f"--watch on 1,000 textures of {SIDE} x {SIDE}")
    print(f"  idle CPU over {idle_seconds} s      {100 * idle:6.2f} % of one core (target < 1)")
    print(f"  last write to level file  {max(delays):6.2f} s at most of {len(delays)} changes, "
          f"{min(delays):.2f} s at least (target <= 2)")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--tool", default=os.path.join(root, "build", "cli", "torvane-convert"))
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--watch-seconds", type=int, default=30)
    parser.add_argument("--skip-watch", action="store_true")
    arguments = parser.parse_args()
    if not os.access(arguments.tool, os.X_OK):
        sys.exit(f"{arguments.tool}: not built; run scripts/setup.sh first")

    with tempfile.TemporaryDirectory(prefix="torvane-bench-") as scratch:
        batch(arguments.tool, scratch, arguments.rounds)
        if not arguments.skip_watch:
            watch(arguments.tool, scratch, arguments.watch_seconds)


if __name__ == "__main__":
    main()
